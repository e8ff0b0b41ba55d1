#pragma once

#include <complex>
#include <cstddef>

// One real-to-complex FFTW plan of a fixed length with the buffers it runs
// on, made once and run as often as wanted. Owns the plan and the buffers.
class FftPlan {
public:
    explicit FftPlan(std::size_t length);
    ~FftPlan();
    FftPlan(const FftPlan&) = delete;
    FftPlan& operator=(const FftPlan&) = delete;

    std::size_t Length() const { return length_; }
    // Length() values to transform; Execute() leaves them as they were.
    double* Input() { return input_; }
    void Execute();
    // Length() / 2 + 1 bins from 0 Hz up, after Execute().
    const std::complex<double>* Output() const { return output_; }

private:
    std::size_t length_;
    double* input_;
    std::complex<double>* output_;
    void* plan_;  // fftw_plan, kept out of this header
};
