#pragma once
// Fast arithmetic for the steps of one run: subnormal results are flushed
// to zero and subnormal operands read as zero (the FTZ and DAZ bits of the
// SSE control register). Values that small (below 1.2E-38) arise only in
// concentrations and fluxes far below anything a result file prints, while
// each operation on them may cost a hundred cycles on x86. The control
// register belongs to the calling thread: the guard sets the bits for one
// step and puts its control bits back as it found them, so that other runs on
// other threads and the caller's own arithmetic are not affected. On other
// processors the guard does nothing.

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define SOILCOLUMN_HAS_MXCSR 1
#endif

namespace soilcolumn {

class SubnormalsFlushed {
public:
    explicit SubnormalsFlushed(bool active)
    {
#ifdef SOILCOLUMN_HAS_MXCSR
        if (active) {
            saved_ = _mm_getcsr();
            _mm_setcsr(saved_ | flush_to_zero | denormals_are_zero);
            active_ = true;
        }
#else
        (void)active;
#endif
    }
    ~SubnormalsFlushed()
    {
#ifdef SOILCOLUMN_HAS_MXCSR
        // The control bits as they were; the exception flags the step
        // raised stay raised, as they would have without the guard.
        if (active_) _mm_setcsr((saved_ & ~exception_flags) | (_mm_getcsr() & exception_flags));
#endif
    }
    SubnormalsFlushed(const SubnormalsFlushed&) = delete;
    SubnormalsFlushed& operator=(const SubnormalsFlushed&) = delete;

private:
#ifdef SOILCOLUMN_HAS_MXCSR
    static constexpr unsigned flush_to_zero = 0x8000u;
    static constexpr unsigned denormals_are_zero = 0x0040u;
    static constexpr unsigned exception_flags = 0x003Fu;
    unsigned saved_ = 0;
    bool active_ = false;
#endif
};

}  // namespace soilcolumn
