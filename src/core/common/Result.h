#pragma once

#include <string>
#include <utility>
#include <variant>

namespace moxtel {

// What kind of failure an Error is. Callers branch on the kind, never on the message text.
enum class ErrorKind {
    Failed,           // the message says what is wrong (a refused table, a bad name, ...)
    OpenFailed,       // the file cannot be opened or read as a workbook; detail: the reader's reason
    NoWorkbook,       // no workbook was chosen
    NoDirection,      // a trade list without buy/sell directions: readable with the tick rule
    Cancelled,        // the user stopped it: nothing to show
    AlreadyReported,  // shown to the user already (by the database's reporter): the caller only stops
};

// The failure side of a Result: a message meant for the user, in UTF-8, and its kind.
struct Error {
    std::string message;
    std::string detail{};  // optional technical reason (for logs and the command line), not shown in windows
    ErrorKind kind = ErrorKind::Failed;

    // A failure the database's reporter has shown already.
    static Error Reported() { return {{}, {}, ErrorKind::AlreadyReported}; }
    static Error Cancelled() { return {{}, {}, ErrorKind::Cancelled}; }
    // Nothing is left to tell the user: they cancelled, or saw the failure already.
    bool Shown() const { return kind == ErrorKind::Cancelled || kind == ErrorKind::AlreadyReported; }
};

// A value or an Error; the core returns these instead of throwing across its API.
template <typename T>
class [[nodiscard]] Result {
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
