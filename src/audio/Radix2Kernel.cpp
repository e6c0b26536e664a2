#include "audio/Radix2Kernel.h"

#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#if defined(__clang__)
#pragma clang fp contract(off)
#endif

namespace tarnwick {

// Everything one transform needs, handed to the variant for this processor's instruction set.
struct Radix2Job {
    const double* input;
    double* output;
    double* re;
    double* im;
    const double* twRe;
    const double* twIm;
    const int* reversed;
    int n;
    int shift;
    bool inverse;
};

namespace {

// Half-block sizes run from 1 to kMaxSize / 2; the stage with half-block size h keeps its h
// twiddles at [h, 2h), so one table of kMaxSize entries holds every stage.
constexpr int kTableSize = Radix2Kernel::kMaxSize;
constexpr std::size_t kAlignment = 64;

const double kPi = 4.0 * std::atan(1.0);

template <int W>
struct VecOf;
template <>
struct VecOf<2> {
    typedef double type __attribute__((vector_size(2 * sizeof(double))));
};
template <>
struct VecOf<4> {
    typedef double type __attribute__((vector_size(4 * sizeof(double))));
};
template <>
struct VecOf<8> {
    typedef double type __attribute__((vector_size(8 * sizeof(double))));
};

// Wide vectors passed by value would change the calling convention between instruction sets;
// these helpers have internal linkage and are inlined into one caller each, so none is exposed.
#pragma GCC diagnostic ignored "-Wpsabi"

// Everything below runs inside one stage function per instruction set; a helper compiled on its
// own would get the baseline instruction set and split the wide vectors into pieces.
#define TARNWICK_KERNEL_INLINE [[gnu::always_inline]] inline

template <typename V>
TARNWICK_KERNEL_INLINE V Load(const double* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename V>
TARNWICK_KERNEL_INLINE void Store(double* p, V v) {
    std::memcpy(p, &v, sizeof v);
}

// One butterfly per index pair, in the order and with the expressions of the textbook loop.
TARNWICK_KERNEL_INLINE void ScalarStage(double* re, double* im, const double* twRe,
                                        const double* twIm, int n, int half) {
    for (int i = 0; i < n; i += 2 * half) {
        for (int m = 0; m < half; ++m) {
            const int j = i + m;
            const int k = j + half;
            const double ar = twRe[half + m];
            const double ai = twIm[half + m];
            const double tr = ar * re[k] - ai * im[k];
            const double ti = ar * im[k] + ai * re[k];
            re[k] = re[j] - tr;
            im[k] = im[j] - ti;
            re[j] = re[j] + tr;
            im[j] = im[j] + ti;
        }
    }
}

// k = j + half: t = w * x[k]; x[k] = x[j] - t; x[j] = x[j] + t.
template <typename V>
TARNWICK_KERNEL_INLINE void Butterfly(V ar, V ai, V& jr, V& ji, V& kr, V& ki) {
    const V tr = ar * kr - ai * ki;
    const V ti = ar * ki + ai * kr;
    kr = jr - tr;
    ki = ji - ti;
    jr = jr + tr;
    ji = ji + ti;
}

// Stages whose half-block is at least a vector: j and k halves are whole vectors.
template <int W>
TARNWICK_KERNEL_INLINE void WideStage(double* re, double* im, const double* twRe,
                                      const double* twIm, int n, int half) {
    using V = typename VecOf<W>::type;
    for (int i = 0; i < n; i += 2 * half) {
        for (int m = 0; m < half; m += W) {
            const int j = i + m;
            const int k = j + half;
            V jr = Load<V>(re + j), ji = Load<V>(im + j);
            V kr = Load<V>(re + k), ki = Load<V>(im + k);
            Butterfly(Load<V>(twRe + half + m), Load<V>(twIm + half + m), jr, ji, kr, ki);
            Store(re + j, jr);
            Store(im + j, ji);
            Store(re + k, kr);
            Store(im + k, ki);
        }
    }
}

// Lane maps for stages whose blocks are shorter than two vectors. Two vectors a, b cover 2W
// consecutive points; lane l of the "upper" gather is the j of the l-th butterfly among them,
// the "lower" gather its k = j + H. Scatter puts the results back in point order.
constexpr int UpperLane(int lane, int half) {
    return (lane / half) * 2 * half + lane % half;
}
constexpr int LowerLane(int lane, int half) {
    return UpperLane(lane, half) + half;
}
constexpr int ScatterLane(int point, int half, int width) {
    const int butterfly = (point / (2 * half)) * half + point % half;
    return (point % (2 * half)) < half ? butterfly : width + butterfly;
}

template <int W, int H, std::size_t... L>
TARNWICK_KERNEL_INLINE void NarrowStageImpl(double* re, double* im, const double* twRe,
                                            const double* twIm, int n, std::index_sequence<L...>) {
    using V = typename VecOf<W>::type;
    const V ar = {twRe[H + static_cast<int>(L) % H]...};
    const V ai = {twIm[H + static_cast<int>(L) % H]...};
    for (int p = 0; p < n; p += 2 * W) {
        const V reA = Load<V>(re + p);
        const V reB = Load<V>(re + p + W);
        const V imA = Load<V>(im + p);
        const V imB = Load<V>(im + p + W);
        const V jr = __builtin_shufflevector(reA, reB, UpperLane(L, H)...);
        const V ji = __builtin_shufflevector(imA, imB, UpperLane(L, H)...);
        const V kr = __builtin_shufflevector(reA, reB, LowerLane(L, H)...);
        const V ki = __builtin_shufflevector(imA, imB, LowerLane(L, H)...);
        const V tr = ar * kr - ai * ki;
        const V ti = ar * ki + ai * kr;
        const V newJr = jr + tr;
        const V newJi = ji + ti;
        const V newKr = jr - tr;
        const V newKi = ji - ti;
        Store(re + p, __builtin_shufflevector(newJr, newKr, ScatterLane(L, H, W)...));
        Store(re + p + W, __builtin_shufflevector(newJr, newKr, ScatterLane(W + L, H, W)...));
        Store(im + p, __builtin_shufflevector(newJi, newKi, ScatterLane(L, H, W)...));
        Store(im + p + W, __builtin_shufflevector(newJi, newKi, ScatterLane(W + L, H, W)...));
    }
}

template <int W, int H>
TARNWICK_KERNEL_INLINE void NarrowStage(double* re, double* im, const double* twRe,
                                        const double* twIm, int n) {
    if (n < 2 * W) {
        ScalarStage(re, im, twRe, twIm, n, H);
        return;
    }
    NarrowStageImpl<W, H>(re, im, twRe, twIm, n, std::make_index_sequence<W>{});
}

// Two consecutive wide stages in one pass over the data: the four quarter-blocks are loaded
// once, the half-block-h butterflies (a,b), (c,d) and then the 2h ones (a,c), (b,d) computed in
// registers. Each butterfly is the same expression as in its own stage.
template <int W>
TARNWICK_KERNEL_INLINE void WideStagePair(double* re, double* im, const double* twRe,
                                          const double* twIm, int n, int half) {
    using V = typename VecOf<W>::type;
    for (int i = 0; i < n; i += 4 * half) {
        for (int m = 0; m < half; m += W) {
            const int a = i + m;
            const int b = a + half;
            const int c = b + half;
            const int d = c + half;
            const V ar1 = Load<V>(twRe + half + m);
            const V ai1 = Load<V>(twIm + half + m);
            V aRe = Load<V>(re + a), aIm = Load<V>(im + a);
            V bRe = Load<V>(re + b), bIm = Load<V>(im + b);
            V cRe = Load<V>(re + c), cIm = Load<V>(im + c);
            V dRe = Load<V>(re + d), dIm = Load<V>(im + d);
            Butterfly(ar1, ai1, aRe, aIm, bRe, bIm);
            Butterfly(ar1, ai1, cRe, cIm, dRe, dIm);
            Butterfly(Load<V>(twRe + 2 * half + m), Load<V>(twIm + 2 * half + m), aRe, aIm, cRe,
                      cIm);
            Butterfly(Load<V>(twRe + 3 * half + m), Load<V>(twIm + 3 * half + m), bRe, bIm, dRe,
                      dIm);
            Store(re + a, aRe);
            Store(im + a, aIm);
            Store(re + b, bRe);
            Store(im + b, bIm);
            Store(re + c, cRe);
            Store(im + c, cIm);
            Store(re + d, dRe);
            Store(im + d, dIm);
        }
    }
}

// Stages in order of growing half-block size: the narrow ones lane-shuffled, then the wide
// ones two at a time.
template <int W>
TARNWICK_KERNEL_INLINE void AllStages(double* re, double* im, const double* twRe,
                                      const double* twIm, int n) {
    int half = 1;
    if (half < n) {
        NarrowStage<W, 1>(re, im, twRe, twIm, n);
        half = 2;
    }
    if constexpr (W >= 4) {
        if (half < n) {
            NarrowStage<W, 2>(re, im, twRe, twIm, n);
            half = 4;
        }
    }
    if constexpr (W >= 8) {
        if (half < n) {
            NarrowStage<W, 4>(re, im, twRe, twIm, n);
            half = 8;
        }
    }
    for (; 4 * half <= n; half *= 4) {
        WideStagePair<W>(re, im, twRe, twIm, n, half);
    }
    if (half < n) {
        WideStage<W>(re, im, twRe, twIm, n, half);
    }
}

TARNWICK_KERNEL_INLINE void BitReverseScalar(const Radix2Job& job) {
    for (int i = 0; i < job.n; ++i) {
        const int r = job.reversed[i] >> job.shift;
        job.re[r] = job.input[2 * i];
        job.im[r] = job.input[2 * i + 1];
    }
}

constexpr int ReverseBits(int value, int bits) {
    int result = 0;
    for (int b = 0; b < bits; ++b) {
        result = (result << 1) | ((value >> b) & 1);
    }
    return result;
}

constexpr int Log2(int w) {
    return w <= 1 ? 0 : 1 + Log2(w / 2);
}

// Rows R and R + B of a W x W transpose swap their off-diagonal B x B blocks (when R is the
// upper row of the pair). Indices are template arguments so the rows stay in registers.
template <int B, std::size_t R, typename V, std::size_t... L>
TARNWICK_KERNEL_INLINE void SwapBlocks(V* rows, std::index_sequence<L...>) {
    constexpr int kW = sizeof...(L);
    if constexpr ((R & B) == 0) {
        const V low = rows[R];
        const V high = rows[R + B];
        rows[R] = __builtin_shufflevector(low, high, ((L & B) == 0 ? L : kW + L - B)...);
        rows[R + B] = __builtin_shufflevector(low, high, ((L & B) == 0 ? L + B : kW + L)...);
    }
}

template <typename V, std::size_t... L>
TARNWICK_KERNEL_INLINE void Transpose(V* rows, std::index_sequence<L...> lanes) {
    constexpr int kW = sizeof...(L);
    (SwapBlocks<1, L>(rows, lanes), ...);
    if constexpr (kW >= 4) {
        (SwapBlocks<2, L>(rows, lanes), ...);
    }
    if constexpr (kW >= 8) {
        (SwapBlocks<4, L>(rows, lanes), ...);
    }
}

// Row T of a tile: W consecutive points, split into real and imaginary parts, kept in the slot
// rev(T) so that the transposed columns come out in destination lane order.
template <std::size_t T, typename V, std::size_t... L>
TARNWICK_KERNEL_INLINE void LoadTileRow(const double* input, int stride, V* rowRe, V* rowIm,
                                        std::index_sequence<L...>) {
    constexpr int kW = sizeof...(L);
    constexpr int kSlot = ReverseBits(T, Log2(kW));
    const double* src = input + 2 * (static_cast<int>(T) * stride);
    const V a = Load<V>(src);
    const V b = Load<V>(src + kW);
    rowRe[kSlot] = __builtin_shufflevector(a, b, (2 * L)...);
    rowIm[kSlot] = __builtin_shufflevector(a, b, (2 * L + 1)...);
}

template <std::size_t C, typename V>
TARNWICK_KERNEL_INLINE void StoreTileColumn(const Radix2Job& job, int u0, int lowShift,
                                            const V* rowRe, const V* rowIm) {
    constexpr int kW = sizeof(V) / sizeof(double);
    const int dest = kW * (job.reversed[u0 + static_cast<int>(C)] >> lowShift);
    Store(job.re + dest, rowRe[C]);
    Store(job.im + dest, rowIm[C]);
}

// The bit-reversed copy as W x W tiles. Point s = t (n/W) + u goes to W rev(u) + rev(t), rev
// over the low and high index bits respectively: W rows t of consecutive u, transposed, give
// for each u the W points of one contiguous destination vector.
template <int W, std::size_t... L>
TARNWICK_KERNEL_INLINE void BitReverseByTiles(const Radix2Job& job,
                                              std::index_sequence<L...> lanes) {
    using V = typename VecOf<W>::type;
    const int stride = job.n / W;
    const int lowShift = job.shift + Log2(W);
    for (int u0 = 0; u0 < stride; u0 += W) {
        V rowRe[W];
        V rowIm[W];
        (LoadTileRow<L>(job.input + 2 * u0, stride, rowRe, rowIm, lanes), ...);
        Transpose(rowRe, lanes);
        Transpose(rowIm, lanes);
        (StoreTileColumn<L>(job, u0, lowShift, rowRe, rowIm), ...);
    }
}

// Writes r0 m0 r1 m1 ... from the real and imaginary vectors r and m.
template <typename V, std::size_t... L>
TARNWICK_KERNEL_INLINE void InterleaveStore(double* out, V r, V m, std::index_sequence<L...>) {
    constexpr int kW = sizeof...(L);
    Store(out, __builtin_shufflevector(r, m, (L % 2 == 0 ? L / 2 : kW + L / 2)...));
    Store(out + kW,
          __builtin_shufflevector(r, m, (L % 2 == 0 ? kW / 2 + L / 2 : kW + kW / 2 + L / 2)...));
}

// The whole transform for one instruction set: bit-reversed copy into the split arrays, the
// stages, and the interleaved (and, inverse, scaled) copy out.
template <int W>
TARNWICK_KERNEL_INLINE void RunAll(const Radix2Job& job) {
    const int n = job.n;
    double* re = job.re;
    double* im = job.im;
    if constexpr (W >= 4) {
        if (n >= W * W) {
            BitReverseByTiles<W>(job, std::make_index_sequence<W>{});
        } else {
            BitReverseScalar(job);
        }
    } else {
        BitReverseScalar(job);
    }
    AllStages<W>(re, im, job.twRe, job.twIm, n);
    // 1/n is a power of two, so multiplying by it rounds exactly as dividing by n.
    const double scale = job.inverse ? 1.0 / n : 1.0;
    int i = 0;
    if constexpr (W >= 2) {
        using V = typename VecOf<W>::type;
        const V factor = V{} + scale;
        for (; i + W <= n; i += W) {
            const V r = Load<V>(re + i) * factor;
            const V m = Load<V>(im + i) * factor;
            InterleaveStore(job.output + 2 * i, r, m, std::make_index_sequence<W>{});
        }
    }
    for (; i < n; ++i) {
        job.output[2 * i] = re[i] * scale;
        job.output[2 * i + 1] = im[i] * scale;
    }
}

void RunBaseline(const Radix2Job& job) {
    RunAll<2>(job);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TARNWICK_FFT_X86_DISPATCH 1
// Contraction into fused multiply-adds is turned off (for clang at the top of the file) so
// that every processor computes the same bits as the baseline code.
#if defined(__clang__)
#define TARNWICK_FFT_TARGET(isa) __attribute__((target(isa)))
#else
#define TARNWICK_FFT_TARGET(isa) __attribute__((target(isa), optimize("fp-contract=off")))
#endif

TARNWICK_FFT_TARGET("avx2") void RunAvx2(const Radix2Job& job) {
    RunAll<4>(job);
}

TARNWICK_FFT_TARGET("avx512f") void RunAvx512(const Radix2Job& job) {
    RunAll<8>(job);
}
#endif

}  // namespace

void Radix2Kernel::AlignedDeleter::operator()(double* p) const {
    ::operator delete[](p, std::align_val_t{kAlignment});
}

Radix2Kernel::Buffer Radix2Kernel::Allocate(int count) {
    auto* p = static_cast<double*>(::operator new[](
        sizeof(double) * static_cast<std::size_t>(count), std::align_val_t{kAlignment}));
    std::memset(p, 0, sizeof(double) * static_cast<std::size_t>(count));
    return Buffer(p);
}

Radix2Kernel::Radix2Kernel(int maxVectorWidth)
    : re_(Allocate(kMaxSize)),
      im_(Allocate(kMaxSize)),
      twiddleRe_{Allocate(kTableSize), Allocate(kTableSize)},
      twiddleIm_{Allocate(kTableSize), Allocate(kTableSize)},
      reversed_(new int[kMaxSize]) {
    for (int i = 0; i < kMaxSize; ++i) {
        reversed_[i] = ReverseBits(i, kMaxBits);
    }
    FillTwiddles(false);
    FillTwiddles(true);

    run_ = RunBaseline;
    vectorWidth_ = 2;
#ifdef TARNWICK_FFT_X86_DISPATCH
    __builtin_cpu_init();
    if (maxVectorWidth >= 8 && __builtin_cpu_supports("avx512f")) {
        run_ = RunAvx512;
        vectorWidth_ = 8;
    } else if (maxVectorWidth >= 4 && __builtin_cpu_supports("avx2")) {
        run_ = RunAvx2;
        vectorWidth_ = 4;
    }
#else
    static_cast<void>(maxVectorWidth);
#endif
}

Radix2Kernel::~Radix2Kernel() = default;

// The recurrence w_m = 2 cos(delta) w_(m-1) - w_(m-2), started from the angles -2 delta and
// -delta, exactly as every block of a stage restarts it; its rounding is part of the result.
void Radix2Kernel::FillTwiddles(bool inverse) {
    const double angleNumerator = inverse ? -2.0 * kPi : 2.0 * kPi;
    double* twRe = twiddleRe_[inverse ? 1 : 0].get();
    double* twIm = twiddleIm_[inverse ? 1 : 0].get();
    for (int half = 1; half < kMaxSize; half *= 2) {
        const double delta = angleNumerator / (2.0 * half);
        const double sm2 = std::sin(-2.0 * delta);
        const double sm1 = std::sin(-delta);
        const double cm2 = std::cos(-2.0 * delta);
        const double cm1 = std::cos(-delta);
        const double w = 2.0 * cm1;
        double ar2 = cm2, ar1 = cm1, ai2 = sm2, ai1 = sm1;
        for (int m = 0; m < half; ++m) {
            const double ar0 = w * ar1 - ar2;
            ar2 = ar1;
            ar1 = ar0;
            const double ai0 = w * ai1 - ai2;
            ai2 = ai1;
            ai1 = ai0;
            twRe[half + m] = ar0;
            twIm[half + m] = ai0;
        }
    }
}

double Radix2Kernel::TwiddleRe(bool inverse, int half, int m) const {
    return twiddleRe_[inverse ? 1 : 0][half + m];
}

double Radix2Kernel::TwiddleIm(bool inverse, int half, int m) const {
    return twiddleIm_[inverse ? 1 : 0][half + m];
}

void Radix2Kernel::Run(int n, int bits, bool inverse, std::span<const double> input,
                       std::span<double> output) {
    const int dir = inverse ? 1 : 0;
    const Radix2Job job{
        input.data(),          output.data(),   re_.get(), im_.get(),       twiddleRe_[dir].get(),
        twiddleIm_[dir].get(), reversed_.get(), n,         kMaxBits - bits, inverse};
    run_(job);
}

}  // namespace tarnwick
