#pragma once
// CTileFft: cyclic convolution of 1024 x 1024 float tiles with one kernel, by a real
// two-dimensional FFT. The transform library stays inside tilefft.cpp.
#include <cstdint>
#include <memory>

namespace detail {

class CTileFft {
public:
    static constexpr int32_t kSize = 1024;

    // Sets up the transforms and the buffers for `channels` planes (1 or 3). On failure
    // (no memory) IsValid() is false and nothing else may be called.
    explicit CTileFft(int32_t channels);
    ~CTileFft();
    CTileFft(const CTileFft&) = delete;
    CTileFft& operator=(const CTileFft&) = delete;

    bool IsValid() const;
    // Real plane of channel c: kSize rows of kSize floats, contiguous.
    float* Plane(int32_t channel) const;
    // Takes the kernel from Plane(0) (centre at (0, 0), wrapping) and keeps its spectrum,
    // prescaled so that the inverse transform needs no division. Plane(0) is clobbered.
    void TakeKernelFromPlane0();
    // Replaces Plane(channel) by its cyclic convolution with the kernel. Calls for
    // different channels may run at the same time.
    void Convolve(int32_t channel);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace detail
