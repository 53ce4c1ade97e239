#pragma once

#include <string>
#include <utility>
#include <variant>

namespace moxtel {

// The failure side of a Result: a message meant for the user, in UTF-8.
// An empty message means the failure was already shown to the user (for instance by the
// database door's error reporter) and the caller only has to stop.
struct Error {
    std::string message;
    std::string detail{};  // optional technical reason (for logs and the command line), not shown in windows
};

// A value or an Error; the core returns these instead of throwing across its API.
template <typename T>
class Result {
public:
    Result(T value) : m_state(std::move(value)) {}  // NOLINT(google-explicit-constructor)
    Result(Error error) : m_state(std::move(error)) {}  // NOLINT(google-explicit-constructor)

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }

    T& value() { return std::get<T>(m_state); }
    const T& value() const { return std::get<T>(m_state); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }

    const Error& error() const { return std::get<Error>(m_state); }

private:
    std::variant<T, Error> m_state;
};

// Result of an operation that yields nothing but success.
struct Done {};
using Status = Result<Done>;

}  // namespace moxtel
