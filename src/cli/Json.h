#pragma once

#include <memory>
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

    Json() : m_value(nullptr) {}
    Json(std::nullptr_t) : m_value(nullptr) {}                     // NOLINT(google-explicit-constructor)
    Json(bool b) : m_value(b) {}                                   // NOLINT(google-explicit-constructor)
    Json(double d) : m_value(d) {}                                 // NOLINT(google-explicit-constructor)
    Json(int i) : m_value(static_cast<double>(i)) {}               // NOLINT(google-explicit-constructor)
    Json(std::string s) : m_value(std::move(s)) {}                 // NOLINT(google-explicit-constructor)
    Json(const char* s) : m_value(std::string(s)) {}               // NOLINT(google-explicit-constructor)
    Json(Array a) : m_value(std::move(a)) {}                       // NOLINT(google-explicit-constructor)
    Json(Object o) : m_value(std::move(o)) {}                      // NOLINT(google-explicit-constructor)

    static Json MakeObject() { return Json(Object{}); }
    static Json MakeArray() { return Json(Array{}); }

    // Adds a member to an object or an element to an array; returns *this for chaining.
    Json& Add(std::string key, Json value);
    Json& Push(Json value);

    // Pretty-printed with two-space indentation; numbers in their shortest exact form, non-finite as null.
    std::string Dump() const;

private:
    void Write(std::string& out, int indent) const;
    std::variant<std::nullptr_t, bool, double, std::string, Array, Object> m_value;
};

}  // namespace moxtel
