#pragma once

#include <QString>
#include <QtGlobal>
#include <type_traits>
#include <utility>
#include <variant>

// Why an operation failed, in words fit for stderr or for the user: what a TResult holds instead of
// its value. Made with Failure(...), so that a return statement reads as what it is.
struct TFailure {
    QString Reason;
};

inline TFailure Failure(QString reason) {
    return TFailure{std::move(reason)};
}

// The outcome of every operation of the program that can fail and tells why: the value, or the
// reason there is none. TResult<> is the outcome of an operation that gives no value. Reading the
// value of a failure is a bug of the caller, which an assertion stops in debug builds.
template <typename T = void> class TResult {
public:
    TResult(T value)
        : m_outcome(std::in_place_index<0>, std::move(value)) {}
    TResult(TFailure failure)
        : m_outcome(std::in_place_index<1>, std::move(failure.Reason)) {}

    bool Ok() const { return m_outcome.index() == 0; }
    // Left out for TResult<bool>, where "if (result)" would read as a test of the value.
    explicit operator bool() const requires(!std::is_same_v<T, bool>) { return Ok(); }

    const T& Value() const& {
        Q_ASSERT(Ok());
        return std::get<0>(m_outcome);
    }
    T& Value() & {
        Q_ASSERT(Ok());
        return std::get<0>(m_outcome);
    }
    T&& Value() && {
        Q_ASSERT(Ok());
        return std::get<0>(std::move(m_outcome));
    }
    const T& operator*() const& { return Value(); }
    T& operator*() & { return Value(); }
    T&& operator*() && { return std::move(*this).Value(); }
    const T* operator->() const { return &Value(); }
    T* operator->() { return &Value(); }
    // The value, or fallback for a failure whose reason does not matter to the caller.
    T ValueOr(T fallback) const { return Ok() ? Value() : std::move(fallback); }

    // Empty on success.
    QString Error() const { return Ok() ? QString() : std::get<1>(m_outcome); }

private:
    std::variant<T, QString> m_outcome;
};

template <> class TResult<void> {
public:
    TResult() = default;
    TResult(TFailure failure)
        : m_failed(true)
        , m_reason(std::move(failure.Reason)) {}

    bool Ok() const { return !m_failed; }
    explicit operator bool() const { return Ok(); }
    // Empty on success.
    QString Error() const { return m_reason; }

private:
    bool m_failed = false;
    QString m_reason;
};
