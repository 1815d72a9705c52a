// CTileFft over FFTW's single-precision real 2-D transforms. Plans are made once per
// object and executed on the object's own buffers (the new-array interface), so several
// channels may be transformed at the same time.
#include "detail/tilefft.h"

#include <fftw3.h>

#include <mutex>

namespace detail {
namespace {

constexpr int32_t kN = CTileFft::kSize;
constexpr size_t kRealCount = static_cast<size_t>(kN) * kN;
constexpr size_t kSpectrumCount = static_cast<size_t>(kN) * (kN / 2 + 1);

// FFTW's planner keeps process-wide state and is not thread-safe: every plan creation and
// destruction goes through this lock (executing a plan needs none).
std::mutex& PlannerLock() {
    static std::mutex lock;
    return lock;
}

struct FftwFree {
    void operator()(void* p) const { fftwf_free(p); }
};
template <class T>
using FftwBuffer = std::unique_ptr<T, FftwFree>;

template <class T>
FftwBuffer<T> AllocateBuffer(size_t count) {
    return FftwBuffer<T>(static_cast<T*>(fftwf_malloc(sizeof(T) * count)));
}

struct PlanDestroy {
    void operator()(fftwf_plan_s* plan) const {
        std::lock_guard lock(PlannerLock());
        fftwf_destroy_plan(plan);
    }
};
using Plan = std::unique_ptr<fftwf_plan_s, PlanDestroy>;

}  // namespace

struct CTileFft::Impl {
    int32_t channels = 0;
    FftwBuffer<float> planes;            // channels x kRealCount
    FftwBuffer<fftwf_complex> spectra;   // channels x kSpectrumCount
    FftwBuffer<fftwf_complex> kernel;    // kSpectrumCount
    Plan forward;
    Plan inverse;

    fftwf_complex* Spectrum(int32_t c) const { return spectra.get() + kSpectrumCount * static_cast<size_t>(c); }
    float* Plane(int32_t c) const { return planes.get() + kRealCount * static_cast<size_t>(c); }
};

CTileFft::CTileFft(int32_t channels) : m_impl(std::make_unique<Impl>()) {
    Impl& m = *m_impl;
    m.channels = channels < 1 ? 1 : (channels > 3 ? 3 : channels);
    m.planes = AllocateBuffer<float>(kRealCount * static_cast<size_t>(m.channels));
    m.spectra = AllocateBuffer<fftwf_complex>(kSpectrumCount * static_cast<size_t>(m.channels));
    m.kernel = AllocateBuffer<fftwf_complex>(kSpectrumCount);
    if (!m.planes || !m.spectra || !m.kernel) return;
    // Estimated plans: measured ones run about a third faster on this size, but the
    // measuring stalls the first blur of a process for a second or more and may pick a
    // different algorithm from run to run, changing the last bits of results.
    std::lock_guard lock(PlannerLock());
    m.forward.reset(fftwf_plan_dft_r2c_2d(kN, kN, m.Plane(0), m.Spectrum(0), FFTW_ESTIMATE));
    m.inverse.reset(fftwf_plan_dft_c2r_2d(kN, kN, m.Spectrum(0), m.Plane(0), FFTW_ESTIMATE));
}

CTileFft::~CTileFft() = default;

bool CTileFft::IsValid() const {
    return m_impl->planes && m_impl->spectra && m_impl->kernel && m_impl->forward && m_impl->inverse;
}

float* CTileFft::Plane(int32_t channel) const { return m_impl->Plane(channel); }

void CTileFft::TakeKernelFromPlane0() {
    Impl& m = *m_impl;
    fftwf_execute_dft_r2c(m.forward.get(), m.Plane(0), m.kernel.get());
    // The inverse transform is unscaled; dividing by kN * kN (a power of two, so exact)
    // here once saves a pass over every tile.
    constexpr float kScale = 1.0f / static_cast<float>(kRealCount);
    fftwf_complex* k = m.kernel.get();
    for (size_t i = 0; i < kSpectrumCount; ++i) {
        k[i][0] *= kScale;
        k[i][1] *= kScale;
    }
}

void CTileFft::Convolve(int32_t channel) {
    Impl& m = *m_impl;
    fftwf_complex* s = m.Spectrum(channel);
    const fftwf_complex* k = m.kernel.get();
    fftwf_execute_dft_r2c(m.forward.get(), m.Plane(channel), s);
    for (size_t i = 0; i < kSpectrumCount; ++i) {
        const float re = s[i][0] * k[i][0] - s[i][1] * k[i][1];
        const float im = s[i][0] * k[i][1] + s[i][1] * k[i][0];
        s[i][0] = re;
        s[i][1] = im;
    }
    fftwf_execute_dft_c2r(m.inverse.get(), s, m.Plane(channel));
}

}  // namespace detail
