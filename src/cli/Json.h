#pragma once

#include <cstddef>
#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace moxtel {

// A small ordered JSON document for the command line's --json output, kept as an nlohmann
// ordered_json. Object keys keep the order in which they were added, so the output reads the way
// the contract lists the fields.
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

    Json();
    Json(std::nullptr_t);  // NOLINT(google-explicit-constructor)
    Json(bool b);          // NOLINT(google-explicit-constructor)
    Json(double d);        // NOLINT(google-explicit-constructor)
    Json(int i);           // NOLINT(google-explicit-constructor)
    Json(std::string s);   // NOLINT(google-explicit-constructor)
    Json(const char* s);   // NOLINT(google-explicit-constructor)
    Json(Array a);         // NOLINT(google-explicit-constructor)
    Json(Object o);        // NOLINT(google-explicit-constructor)
    Json(Generated g);     // NOLINT(google-explicit-constructor)

    static Json MakeObject();
    static Json MakeArray();

    // Adds a member to an object or an element to an array; returns *this for chaining.
    Json& Add(std::string key, Json value);
    Json& Push(Json value);

    // Pretty-printed with two-space indentation; numbers in their shortest exact form (std::to_chars),
    // non-finite as null; a byte that starts no well-formed UTF-8 character is written as U+FFFD.
    std::string Dump() const;
    // The same text written to out as it is made, a piece at a time.
    void Dump(std::ostream& out) const;

private:
    struct Sink;
    void Write(Sink& out, const nlohmann::ordered_json& value, int indent) const;
    // Takes over other's generated arrays, renumbering the placeholders that stand for them.
    void Adopt(Json& other);

    nlohmann::ordered_json m_value;
    // A generated array stands in m_value as a binary value whose subtype is its index here.
    std::vector<Generated> m_generated;
};

}  // namespace moxtel
