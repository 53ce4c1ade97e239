#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace moxtel {

// A small ordered JSON document for the command line's --json output. Object keys keep the order
// in which they were added, so the output reads the way the contract lists the fields.
class Json {
public:
    using Object = std::vector<std::pair<std::string, Json>>;
    using Array = std::vector<Json>;
    // An array whose elements are made one at a time as it is written, each let go before the
    // next: a day's hundreds of thousands of trades never stand in memory as a document.
    struct Generated {
        std::size_t count = 0;
        std::function<Json(std::size_t)> element;
    };

    Json() : m_value(nullptr) {}
    Json(std::nullptr_t) : m_value(nullptr) {}                     // NOLINT(google-explicit-constructor)
    Json(bool b) : m_value(b) {}                                   // NOLINT(google-explicit-constructor)
    Json(double d) : m_value(d) {}                                 // NOLINT(google-explicit-constructor)
    Json(int i) : m_value(static_cast<double>(i)) {}               // NOLINT(google-explicit-constructor)
    Json(std::string s) : m_value(std::move(s)) {}                 // NOLINT(google-explicit-constructor)
    Json(const char* s) : m_value(std::string(s)) {}               // NOLINT(google-explicit-constructor)
    Json(Array a) : m_value(std::move(a)) {}                       // NOLINT(google-explicit-constructor)
    Json(Object o) : m_value(std::move(o)) {}                      // NOLINT(google-explicit-constructor)
    Json(Generated g) : m_value(std::move(g)) {}                   // NOLINT(google-explicit-constructor)

    static Json MakeObject() { return Json(Object{}); }
    static Json MakeArray() { return Json(Array{}); }

    // Adds a member to an object or an element to an array; returns *this for chaining.
    Json& Add(std::string key, Json value);
    Json& Push(Json value);

    // Pretty-printed with two-space indentation; numbers in their shortest exact form, non-finite as null.
    std::string Dump() const;
    // The same text written to out as it is made, a piece at a time.
    void Dump(std::ostream& out) const;

private:
    struct Sink;
    void Write(Sink& out, int indent) const;
    std::variant<std::nullptr_t, bool, double, std::string, Array, Object, Generated> m_value;
};

}  // namespace moxtel
