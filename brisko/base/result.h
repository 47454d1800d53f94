// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <utility>
#include <variant>

// Why an operation of the engine did not do what was asked: a code the
// callers tell cases by (a TagLibraryError code) and the text people read.
struct Failure
{
    int code = 0;
    QString reason;
};

// What an engine operation gives: its value, or the reason it has none.
template <typename T>
class Result
{
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Failure failure) : state_(std::move(failure)) {}

    bool Ok() const { return state_.index() == 0; }
    explicit operator bool() const { return Ok(); }

    const T &Value() const { return std::get<0>(state_); }
    T &Value() { return std::get<0>(state_); }
    const T &operator*() const { return Value(); }
    T &operator*() { return Value(); }
    const T *operator->() const { return &Value(); }
    T *operator->() { return &Value(); }

    // Only when not Ok.
    const Failure &Why() const { return std::get<1>(state_); }

private:
    std::variant<T, Failure> state_;
};
