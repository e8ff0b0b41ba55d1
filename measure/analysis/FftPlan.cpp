#include "analysis/FftPlan.h"

#include <fftw3.h>

#include <new>

FftPlan::FftPlan(std::size_t length)
    : length_(length),
      input_(fftw_alloc_real(length)),
      // std::complex<double> and fftw_complex share their layout.
      output_(reinterpret_cast<std::complex<double>*>(fftw_alloc_complex(length / 2 + 1))),
      plan_(nullptr) {
    if (input_ != nullptr && output_ != nullptr) {
        // Estimated, not measured: planning stays instant and needs no scratch data.
        plan_ = fftw_plan_dft_r2c_1d(static_cast<int>(length), input_,
                                     reinterpret_cast<fftw_complex*>(output_),
                                     FFTW_ESTIMATE | FFTW_PRESERVE_INPUT);
    }
    if (plan_ == nullptr) {
        fftw_free(output_);
        fftw_free(input_);
        throw std::bad_alloc();
    }
}

FftPlan::~FftPlan() {
    fftw_destroy_plan(static_cast<fftw_plan>(plan_));
    fftw_free(output_);
    fftw_free(input_);
}

void FftPlan::Execute() {
    fftw_execute(static_cast<fftw_plan>(plan_));
}
