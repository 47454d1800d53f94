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

// What an engine operation that gives nothing back answers: done, or the
// reason it was not.
template <>
class Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : failed_(true), failure_(std::move(failure)) {}

    static Result Success() { return Result(); }

    bool Ok() const { return !failed_; }
    explicit operator bool() const { return Ok(); }

    // Only when not Ok.
    const Failure &Why() const { return failure_; }

private:
    bool failed_ = false;
    Failure failure_;
};
