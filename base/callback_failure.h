#pragma once
// Exceptions may not unwind through user32's frames (dialog managers, property
// sheets, the print abort loop): a callback keeps its first failure here, ends
// the loop it runs in, and the code that started the loop throws the failure
// again once the loop is over.
#include <exception>
#include <utility>

class tCallbackFailure {
public:
    // Runs body and returns its result. On a failure the failure is kept,
    // endLoop runs (it must not throw) and fallback is returned.
    template <typename R, typename Body, typename EndLoop>
    R Run(Body&& body, EndLoop&& endLoop, R fallback) noexcept {
        try {
            return body();
        } catch (...) {
            if (!failure_) failure_ = std::current_exception();
            endLoop();
            return fallback;
        }
    }

    // Throws the kept failure, if any, and forgets it.
    void Rethrow() {
        std::exception_ptr failure = std::move(failure_);
        failure_ = nullptr;
        if (failure) std::rethrow_exception(failure);
    }

    void Clear() { failure_ = nullptr; }

private:
    std::exception_ptr failure_;
};
