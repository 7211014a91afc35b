#!/usr/bin/python3
"""Golden values of the window calculator and the filter designs: writes golden.json beside it.

Run with Debian's interpreter and python3-scipy: /usr/bin/python3 tests/algorithms/make_golden.py

Where a design coincides with scipy.signal's (the windows IPP computes, windowed-sinc FIR
filters, Butterworth and Chebyshev type I poles, band transforms and bilinear transform, the
Butterworth and odd-order Chebyshev low- and high-pass polynomials), the golden value is
scipy's, and the script asserts that a plain transcription of the design steps agrees with it.
Elsewhere (the built-in Kaiser window with its nine-term series, flat-top, Welch and cosine-sum
windows, the Bessel table, gain normalisation at the band centre, biquad pairing) the golden
value is the transcription, cross-checked against scipy where scipy has a counterpart.

Complex arithmetic follows the library's: textbook division and the library's square root.
"""
import cmath
import json
import math
import os

import numpy as np
from scipy import signal
from scipy.signal import windows

PI = math.pi
HERE = os.path.dirname(os.path.abspath(__file__))


def cdiv(a, b):
    d = b.real * b.real + b.imag * b.imag
    return complex((a.real * b.real + a.imag * b.imag) / d, (a.imag * b.real - a.real * b.imag) / d)


def csqrt(z):
    r = math.hypot(z.real, z.imag)
    return complex(math.sqrt((r + z.real) / 2), math.copysign(math.sqrt((r - z.real) / 2), z.imag))


def close(a, b, tol, what):
    a, b = np.asarray(a), np.asarray(b)
    scale = max(np.max(np.abs(b)), 1e-300)
    err = np.max(np.abs(a - b)) / scale if a.size else 0.0
    assert a.shape == b.shape and err <= tol, f"{what}: {err:.3g} > {tol:g}"


def same_roots(roots, reference, tol, what):
    """The two lists hold the same values, in any order, within tol of the largest."""
    remaining = list(reference)
    scale = max(abs(r) for r in reference)
    assert len(roots) == len(remaining), what
    for r in roots:
        nearest = min(range(len(remaining)), key=lambda i: abs(remaining[i] - r))
        assert abs(remaining.pop(nearest) - r) <= tol * scale, f"{what}: {r}"


def as_list(values):
    return [float(v) for v in values]


# --------------------------------------------------------------------------------------------
# Windows

def kaiser(n, alpha):
    """The built-in Kaiser window: I0 by a nine-term series, alpha narrowed to a 32-bit float."""
    a = float(np.float32(alpha))

    def i0(x):
        total, factorial = 1.0, 1
        for k in range(1, 10):
            factorial *= k
            term = math.pow(x / 2.0, k) / float(factorial)
            total += term * term
        return total

    m = (n - 1) / 2.0
    d = i0(a * m)
    return np.array([i0(a * math.sqrt(m * m - (i - m) * (i - m))) / d for i in range(n)])


def ipp_window(kind, n, alpha=0.0):
    """The symmetric windows of IPP, as scipy.signal.windows gives them."""
    if kind == "xwtBartlett":
        return windows.bartlett(n, sym=True)
    if kind == "xwtHanning":
        return windows.hann(n, sym=True)
    if kind == "xwtHamming":
        return windows.hamming(n, sym=True)
    if kind == "xwtBlackman":  # IPP's parameter is −alpha
        w = windows.general_cosine(n, [(1 - alpha) / 2, 0.5, alpha / 2], sym=True)
        if alpha == 0.16:
            close(w, windows.blackman(n, sym=True), 1e-15, "classic Blackman")
        return w
    if kind == "xwtKaiser":
        return kaiser(n, alpha)
    raise ValueError(kind)


COS_SUM = {
    4: [0.3635819267707608, 0.4891774371450171, 0.1365995139786921, 0.01064112210553003],
    5: [0.3232153788877343, 0.471492143957626, 0.1755341299601972, 0.02849699010614994,
        0.001261357088292677],
    6: [0.2935578950102797, 0.4519357723474506, 0.2014164714263962, 0.04792610922105837,
        0.005026196426859393, 0.0001375555679558877],
    7: [0.2712203605850388, 0.4334446123274422, 0.2180041228929303, 0.06578534329560609,
        0.01076186730534183, 0.0007700127105808265, 1.368088305992921e-05],
    8: [0.2533176817029088, 0.4163269305810218, 0.2288396213719708, 0.08157508425925879,
        0.01773592450349622, 0.002096702749032688, 0.0001067741302205525, 1.280702090361482e-06],
    9: [0.2384331152777942, 0.400554534864382, 0.2358242530472107, 0.09527918858383112,
        0.02537395516617152, 0.004152432907505835, 0.000368560416329818, 1.38435559391703e-05,
        1.161808358932861e-07],
    10: [0.2257345387130214, 0.3860122949150963, 0.2401294214106057, 0.1070542338664613,
         0.03325916184016952, 0.006873374952321475, 0.000875167323803516, 6.008598932721187e-05,
         1.710716472110202e-06, 1.027272130265191e-08],
    11: [0.2151527506679809, 0.3731348357785249, 0.242424335844666, 0.1166907592689211,
         0.04077422105878731, 0.01000904500852923, 0.001639806917362033, 0.0001651660820997142,
         8.88466316854148e-06, 1.938617116029048e-07, 8.48248559933047e-10],
}


def cos_sum(n, terms):
    """Window w[n] = (1/a0)·Σ (−1)^k·a_k·cos(2πkn/N) and its bins (terms meeting a bin add)."""
    bins = np.zeros(n, complex)
    if terms not in COS_SUM:
        return np.zeros(n), bins
    a = COS_SUM[terms]
    w = np.array([sum((-1) ** k * a[k] * math.cos(2 * PI * k * i / n) for k in range(terms))
                  for i in range(n)]) / a[0]
    bins[0] += a[0]
    for k in range(1, terms):
        half = (-1) ** k * a[k] * 0.5
        bins[k % n] += half
        bins[(n - k % n) % n] += half
    bins /= a[0]
    close(np.fft.fft(w) / n, bins, 1e-14, f"cosine sum {terms} spectrum")
    return w, bins


def window_case(kind, complex_mode, order, terms=0, alpha=0.0):
    n = 2 ** order
    spectrum = None
    if kind in ("xwtNone", "xwtRect"):
        w = np.ones(n)
    elif kind == "xwtCosSum":
        w, spectrum = cos_sum(n, terms)
    elif kind == "xwtFlatTop":
        x = 2 * PI * np.arange(n) / (n - 1)
        w = 1 - 1.93 * np.cos(x) + 1.29 * np.cos(2 * x) - 0.388 * np.cos(3 * x) + 0.032 * np.cos(4 * x)
    elif kind == "xwtWelch":
        length = 2 * n if complex_mode else n
        m = (length - 1) / 2
        w = 1 - ((np.arange(length) - m) / m) ** 2
    else:
        w = ipp_window(kind, n, alpha)

    if kind == "xwtWelch" and complex_mode:
        data = w  # one curve over the 2N parts
    elif complex_mode:
        data = np.repeat(w, 2)
    else:
        data = w
    values = data[0::2] + 1j * data[1::2] if complex_mode else data
    if kind == "xwtRect":
        spectrum = np.zeros(n, complex)
        spectrum[0] = 1
    elif spectrum is None:
        spectrum = np.fft.fft(values) / n
    return {"type": kind, "complex": complex_mode, "order": order, "terms": terms, "alpha": alpha,
            "data": as_list(data), "spectrum_re": as_list(spectrum.real),
            "spectrum_im": as_list(spectrum.imag),
            "gain": float(np.sqrt(np.sum(np.abs(spectrum) ** 2)))}


def window_cases():
    cases = []
    for complex_mode in (False, True):
        for kind in ("xwtNone", "xwtRect", "xwtBartlett", "xwtHamming", "xwtHanning", "xwtFlatTop",
                     "xwtWelch"):
            cases.append(window_case(kind, complex_mode, 4))
        for alpha in (0.16, 0.3):
            cases.append(window_case("xwtBlackman", complex_mode, 4, alpha=alpha))
        for alpha in (0.0, 0.35, 0.7):
            cases.append(window_case("xwtKaiser", complex_mode, 4, alpha=alpha))
        cases.append(window_case("xwtCosSum", complex_mode, 6, terms=4))
        cases.append(window_case("xwtCosSum", complex_mode, 3, terms=11))  # terms meet
    for terms in range(5, 12):
        cases.append(window_case("xwtCosSum", False, 5, terms=terms))
    cases.append(window_case("xwtCosSum", False, 4, terms=3))  # outside the table: zeros
    cases.append(window_case("xwtKaiser", False, 0, alpha=0.5))
    return cases


# --------------------------------------------------------------------------------------------
# FIR designs

SCIPY_FIR_WINDOWS = {"wtRect": "boxcar", "wtBartlett": "bartlett", "wtHamming": "hamming",
                     "wtHanning": "hann"}


def fir_window(kind, n, parameter):
    if n < 3 and kind != "wtKaiser":  # IPP's windows need three points
        return np.ones(n)
    if kind == "wtRect":
        return np.ones(n)
    if kind == "wtKaiser":
        return kaiser(n, parameter)
    return ipp_window("xwt" + {"wtHanning": "Hanning"}.get(kind, kind[2:]), n, parameter)


def fir_transcription(band, order, f1, f2, rate, window, parameter):
    length = order if order % 2 else order + 1
    centre = (length - 1) // 2
    c1, c2 = 2 * f1 / rate, 2 * f2 / rate
    is_band = band in ("fdftBandPass", "fdftBandStop")
    h = np.zeros(length)
    h[centre] = c2 - c1 if is_band else c1
    for k in range(1, centre + 1):
        x = PI * k
        v = (2 * math.sin((c2 - c1) / 2 * x) * math.cos((c2 + c1) / 2 * x) / x if is_band
             else math.sin(c1 * x) / x)
        h[centre - k] = h[centre + k] = v
    h *= fir_window(window, length, parameter)
    if band in ("fdftHighPass", "fdftBandStop"):
        h = -h
        alternating = sum(v if n % 2 == 0 else -v for n, v in enumerate(h))
        h[centre] += 1
        alternating += 1
        h = h / abs(alternating)
    return h


def fir_scipy(band, order, f1, f2, rate, window, parameter):
    """firwin's design where it coincides: a window scipy has, and for the inverted designs an
    even centre (their alternating sum then is the Nyquist gain) and a positive sum."""
    length = order if order % 2 else order + 1
    if window == "wtBlackman" and parameter == 0.16:
        name = "blackman"
    elif window in SCIPY_FIR_WINDOWS and length >= 3:
        name = SCIPY_FIR_WINDOWS[window]
    else:
        return None
    centre = (length - 1) // 2
    cutoff = [f1, f2] if band in ("fdftBandPass", "fdftBandStop") else f1
    pass_zero = band in ("fdftLowPass", "fdftBandStop")
    inverted = band in ("fdftHighPass", "fdftBandStop")
    if inverted and centre % 2:
        return None
    h = signal.firwin(length, cutoff, window=name, pass_zero=pass_zero, scale=False, fs=rate)
    # Unit gain at Nyquist, as firwin scales a high-pass (it scales a band-stop at DC instead).
    return h / abs(np.sum(h * (-1.0) ** np.arange(length))) if inverted else h


def fir_cases():
    designs = []
    for band, f2 in (("fdftLowPass", 0.0), ("fdftHighPass", 0.0), ("fdftBandPass", 3000.0),
                     ("fdftBandStop", 3000.0)):
        for order, window, parameter in ((4, "wtRect", 0.0), (8, "wtBartlett", 0.0),
                                         (21, "wtHamming", 0.0), (32, "wtHanning", 0.0),
                                         (16, "wtBlackman", 0.16), (15, "wtBlackman", 0.3),
                                         (24, "wtKaiser", 0.4), (1, "wtHamming", 0.0),
                                         (6, "wtHamming", 0.0)):
            designs.append((band, order, 1200.0, f2, 8000.0, window, parameter))
    cases = []
    for design in designs:
        taps = fir_transcription(*design)
        reference = fir_scipy(*design)
        source = "transcription"
        if reference is not None:
            close(taps, reference, 1e-13, f"FIR {design}")
            taps, source = reference, "scipy.signal.firwin"
        band, order, f1, f2, rate, window, parameter = design
        cases.append({"band": band, "order": order, "f1": f1, "f2": f2, "rate": rate,
                      "window": window, "parameter": parameter, "taps": as_list(taps),
                      "source": source})
    return cases


# --------------------------------------------------------------------------------------------
# IIR designs

BESSEL = [
    -1.0, -1.10160133059 + 0.636009824757j, -1.32267579991, -1.04740916101 + 0.999264436281j,
    -1.37006783055 + 0.410249717494j, -0.99520876435 + 1.25710573945j, -1.50231627145,
    -1.38087732586 + 0.717909587627j, -0.957676548563 + 1.47112432073j,
    -1.57149040362 + 0.320896374221j, -1.3818580976 + 0.971471890712j,
    -0.930656522947 + 1.66186326894j, -1.68436817927, -1.61203876622 + 0.589244506931j,
    -1.3789032168 + 1.1915667778j, -0.909867780623 + 1.83645135304j,
    -1.7574084004 + 0.272867575103j, -1.63693941813 + 0.822795625139j,
    -1.37384121764 + 1.38835657588j, -0.892869718847 + 1.99832584364j, -1.85660050123,
    -1.80717053496 + 0.512383730575j, -1.65239648458 + 1.03138956698j,
    -1.36758830979 + 1.56773371224j, -0.878399276161 + 2.14980052431j,
    -1.92761969145 + 0.241623471082j, -1.84219624443 + 0.727257597722j,
    -1.6618102414 + 1.22110021857j, -1.36069227838 + 1.73350574267j,
    -0.865756901707 + 2.29260483098j]
BESSEL = [complex(p) for p in BESSEL]

IS_BAND = {"fdftLowPass": False, "fdftHighPass": False, "fdftBandPass": True, "fdftBandStop": True}


def effective_order(kind, band, order, prototype):
    if kind == "ftBiquadIIR":
        n = min(max(order, 2), 16)
        return n + n % 2
    n = min(max(order, 0), 10 if prototype == "iirBessel" else 32)
    return n + 1 if IS_BAND[band] and n % 2 else n


def prototype_poles(prototype, n):
    poles = []
    if prototype == "iirBessel":
        index = n * n // 4
        if n % 2:
            poles.append(BESSEL[index])
            index += 1
        for _ in range(n // 2):
            poles += [BESSEL[index], BESSEL[index].conjugate()]
            index += 1
        scipy_poles = signal.besselap(n, norm="mag")[1]
        same_roots(poles, scipy_poles, 1e-10, f"Bessel {n}")
        return poles
    for j in range(2 * n):
        angle = (j if n % 2 else j + 0.5) * PI / n
        pole = complex(math.cos(angle), math.sin(angle))
        if pole.real < 0:
            poles.append(pole)
    if prototype == "iirChebyshev":
        epsilon = math.sqrt(math.pow(10.0, 1.0 / 10) - 1)
        x = 1 / epsilon
        y = math.log(x + math.sqrt(x * x + 1)) / n
        poles = [complex(p.real * math.sinh(y), p.imag * math.cosh(y)) for p in poles]
        scipy_poles = signal.cheb1ap(n, 1.0)[1]
    else:
        scipy_poles = signal.buttap(n)[1]
    same_roots(poles, scipy_poles, 1e-14, f"{prototype} {n}")
    return poles


def z_plane(band, poles, f1, f2):
    """Band transform of the prototype poles, then the bilinear transform z = (2 + s)/(2 − s)."""
    o1, o2 = 2 * PI * (math.tan(PI * f1) / PI), 2 * PI * (math.tan(PI * f2) / PI)
    o0, bw = math.sqrt(o1 * o2), o2 - o1
    s_poles, s_zeros = [], []
    for p in poles:
        if band == "fdftLowPass":
            s_poles.append(p * o1)
        elif band == "fdftHighPass":
            s_poles.append(cdiv(complex(o1), p))
        else:
            h = p * (0.5 * bw) if band == "fdftBandPass" else cdiv(complex(0.5 * bw), p)
            t = csqrt(1 - cdiv(complex(o0), h) * cdiv(complex(o0), h))
            s_poles += [h * (1 + t), h * (1 - t)]
            if band == "fdftBandStop":
                s_zeros += [complex(0, o0), complex(0, -o0)]
    if band in ("fdftHighPass", "fdftBandPass"):
        s_zeros = [0j] * len(poles)
    bilinear = lambda s: cdiv(2 + s, 2 - s)
    z_poles = [bilinear(s) for s in s_poles]
    z_zeros = [bilinear(s) for s in s_zeros]
    z_zeros += [-1 + 0j] * (len(z_poles) - len(z_zeros))
    return z_poles, z_zeros


def expand(roots):
    p = [1 + 0j]
    for r in roots:
        p.append(0j)
        for i in range(len(p) - 1, 0, -1):
            p[i] = p[i - 1] - r * p[i]
        p[0] = 0 - r * p[0]
    return p


def factored(roots, z):
    value = 1 + 0j
    for r in roots:
        value = value * (z - r)
    return value


def chosen_gain(band, dc, centre, nyquist):
    return {"fdftLowPass": dc, "fdftHighPass": nyquist, "fdftBandPass": centre}.get(
        band, csqrt(dc * nyquist) if band == "fdftBandStop" else None)


def factor(gain):
    return 1.0 if abs(gain) == 0 else 1.0 / abs(gain)


def direct_form(band, z_poles, z_zeros, f1, f2):
    top, bottom = expand(z_zeros), expand(z_poles)
    centre = complex(math.cos(PI * (f1 + f2)), math.sin(PI * (f1 + f2)))
    gain = {z: cdiv(factored(z_zeros, z), factored(z_poles, z)) for z in (1 + 0j, -1 + 0j, centre)}
    g = factor(chosen_gain(band, gain[1 + 0j], gain[centre], gain[-1 + 0j]))
    count = len(bottom)
    b = [top[count - 1 - k].real / bottom[-1].real * g for k in range(count)]
    a = [-bottom[count - 1 - k].real / bottom[-1].real for k in range(count)]
    return b, a


def pair_order(poles):
    """Each pole with the unplaced pole nearest its conjugate, if within 1e-7 in each part."""
    placed = [False] * len(poles)
    order = []
    for i, p in enumerate(poles):
        if placed[i]:
            continue
        others = [j for j in range(len(poles)) if j != i and not placed[j]]
        if not others:
            continue
        j = min(others, key=lambda j: abs(poles[j] - p.conjugate()))
        if abs(poles[j].real - p.real) <= 1e-7 and abs(poles[j].imag + p.imag) <= 1e-7:
            placed[i] = placed[j] = True
            order += [i, j]
    return order + [i for i in range(len(poles)) if not placed[i]]


def section_gain(b, a, z):
    inv = cdiv(1 + 0j, z)
    inv2 = inv * inv
    return cdiv(b[0] + inv * b[1] + inv2 * b[2], a[0] + inv * a[1] + inv2 * a[2])


def biquads(band, z_poles, z_zeros, f1, f2):
    order = pair_order(z_poles)
    poles = [z_poles[i] for i in order]
    zeros = z_zeros if band == "fdftBandPass" else [z_zeros[i] for i in order]
    sections = []
    for k in range(len(poles) // 2):
        p, q = poles[2 * k], poles[2 * k + 1]
        zr = zeros[2 * k].real
        b1, b2 = {"fdftLowPass": (2 * abs(zr), 1.0), "fdftHighPass": (-2 * abs(zr), 1.0),
                  "fdftBandPass": (0.0, -1.0), "fdftBandStop": (-2 * zr, 1.0)}[band]
        if band == "fdftBandStop" and abs(b1) < 1e-15:
            b1 = 0.0
        sections.append(([1.0, b1, b2], [1.0, (0 - (p + q)).real, (p * q).real]))
    sections.reverse()
    centre = complex(math.cos(PI * (f1 + f2)), math.sin(PI * (f1 + f2)))
    coefficients = []
    for b, a in sections:
        g = factor(chosen_gain(band, section_gain(b, a, 1 + 0j), section_gain(b, a, centre),
                               section_gain(b, a, -1 + 0j)))
        coefficients += [v * g for v in b] + a
    return coefficients


def scipy_direct(band, n, prototype, f1, f2):
    """scipy's polynomials where its gain equals ours: Butterworth, and Chebyshev of odd order,
    as low- or high-pass (our a is the negated denominator)."""
    if IS_BAND[band] or prototype == "iirBessel" or (prototype == "iirChebyshev" and n % 2 == 0):
        return None
    btype = "lowpass" if band == "fdftLowPass" else "highpass"
    if prototype == "iirButterworth":
        b, a = signal.butter(n, 2 * f1, btype)
    else:
        b, a = signal.cheby1(n, 1.0, 2 * f1, btype)
    return list(b) + list(-a)


def scipy_z_plane(band, n, prototype, f1, f2):
    btype = {"fdftLowPass": "lowpass", "fdftHighPass": "highpass", "fdftBandPass": "bandpass",
             "fdftBandStop": "bandstop"}[band]
    wn = [2 * f1, 2 * f2] if IS_BAND[band] else 2 * f1
    if prototype == "iirButterworth":
        return signal.butter(n, wn, btype, output="zpk")
    if prototype == "iirChebyshev":
        return signal.cheby1(n, 1.0, wn, btype, output="zpk")
    return None


def iir_design(kind, band, order, f1_hz, f2_hz, rate, prototype):
    f1, f2 = f1_hz / rate, f2_hz / rate
    if not IS_BAND[band]:
        f2 = f1
    if kind == "ftBiquadIIR" and prototype == "iirBessel":
        prototype = "iirButterworth"
    n = effective_order(kind, band, order, prototype)
    z_poles, z_zeros = z_plane(band, prototype_poles(prototype, n), f1, f2)
    reference = scipy_z_plane(band, n, prototype, f1, f2)
    if reference is not None:
        same_roots(z_poles, reference[1], 1e-13, f"z-plane poles {band} {n}")
        same_roots(z_zeros, reference[0], 1e-13, f"z-plane zeros {band} {n}")
    if kind == "ftIIR":
        b, a = direct_form(band, z_poles, z_zeros, f1, f2)
        coefficients, source = b + a, "transcription"
        reference = scipy_direct(band, n, prototype, f1, f2)
        if reference is not None:
            close(coefficients[:len(b)], reference[:len(b)], 1e-12, "numerator")
            close(coefficients[len(b):], reference[len(b):], 1e-12, "denominator")
            coefficients, source = reference, "scipy.signal"
        return coefficients, source
    return biquads(band, z_poles, z_zeros, f1, f2), "transcription"


def iir_cases():
    designs = []
    for prototype in ("iirBessel", "iirButterworth", "iirChebyshev"):
        for band, f1, f2 in (("fdftLowPass", 1000.0, 0.0), ("fdftHighPass", 3000.0, 0.0),
                             ("fdftBandPass", 1500.0, 2500.0), ("fdftBandStop", 800.0, 1400.0)):
            for order in ((1, 2, 3, 5, 8) if not IS_BAND[band] else (1, 2, 4)):
                designs.append(("ftIIR", band, order, f1, f2, 8000.0, prototype))
            for order in ((1, 4, 7, 20) if not IS_BAND[band] else (3, 6, 10)):
                designs.append(("ftBiquadIIR", band, order, f1, f2, 8000.0, prototype))
    designs.append(("ftIIR", "fdftLowPass", 12, 1000.0, 0.0, 8000.0, "iirBessel"))  # beyond the table
    # Poles near a quarter of the sampling rate and near the real axis; a notch below it.
    designs += [("ftBiquadIIR", "fdftBandPass", 8, 1900.0, 2100.0, 8000.0, "iirButterworth"),
              ("ftBiquadIIR", "fdftBandStop", 6, 1950.0, 2050.0, 8000.0, "iirChebyshev"),
              ("ftBiquadIIR", "fdftLowPass", 16, 2000.0, 0.0, 8000.0, "iirButterworth"),
              ("ftBiquadIIR", "fdftLowPass", 10, 20.0, 0.0, 8000.0, "iirButterworth"),
              ("ftBiquadIIR", "fdftHighPass", 9, 3990.0, 0.0, 8000.0, "iirChebyshev"),
              ("ftBiquadIIR", "fdftBandStop", 4, 300.0, 500.0, 8000.0, "iirButterworth")]
    cases = []
    for design in designs:
        coefficients, source = iir_design(*design)
        kind, band, order, f1, f2, rate, prototype = design
        cases.append({"kind": kind, "band": band, "order": order, "f1": f1, "f2": f2, "rate": rate,
                      "prototype": prototype, "coefficients": as_list(coefficients),
                      "source": source})
    return cases


# --------------------------------------------------------------------------------------------
# Responses: power, and phase where it is well conditioned (None elsewhere)

def frequencies(intervals):
    w = [i * PI / intervals for i in range(intervals + 1)]
    w[0], w[-1] = PI / 10000, PI - PI / 10000
    return w


def sums(h, w):
    n = np.arange(len(h))
    return float(np.sum(h * np.cos(n * w))), float(np.sum(h * np.sin(n * w)))


def fir_response(taps):
    points = 512
    while len(taps) > points:
        points *= 2
    power, phase = [], []
    for w in frequencies(points // 2):
        r, i = sums(taps, w)
        power.append(r * r + i * i)
        phase.append(math.atan(i / (1.0 - r)) if abs(1.0 - r) > 1e-6 else None)
    return power, phase


def iir_response(b, a):
    power, phase = [], []
    for w in frequencies(128):
        br, bi = sums(b, w)
        ar, ai = sums(a, w)
        power.append((br * br + bi * bi) / (ar * ar + ai * ai))
        d = 1.0 - (br - ar)
        phase.append(math.atan((bi + ai) / d) if abs(d) > 1e-6 else None)
    return power, phase


def biquad_response(coefficients):
    power, phase = [], []
    sections = [(coefficients[s:s + 3], coefficients[s + 3:s + 6])
                for s in range(0, len(coefficients), 6)]
    for w in frequencies(128):
        p_total, product, conditioned = 1.0, 1 + 0j, True
        for b, a in sections:
            br, bi = sums(np.array(b), w)
            ar, ai = sums(np.array(a), w)
            p = (br * br + bi * bi) / (ar * ar + ai * ai)
            d = 1.0 - (br - ar)
            x = (bi + ai) / d
            conditioned = conditioned and abs(d) > 1e-3
            product *= complex(p * math.cos(x), p * math.sin(x))
            p_total *= p
        power.append(p_total)
        phase.append(math.atan2(product.imag, product.real) if conditioned else None)
    return power, phase


def response_cases(fir, iir):
    """Every IIR response is checked against scipy's; a few of each kind are kept."""
    cases = []
    for index in (2, 13, 20, 33):
        power, phase = fir_response(np.array(fir[index]["taps"]))
        cases.append({"design": "fir", "index": index, "power": power, "phase": phase})
    kept = {("ftIIR", "fdftLowPass", 5, "iirBessel"), ("ftIIR", "fdftBandStop", 4, "iirChebyshev"),
            ("ftIIR", "fdftBandPass", 2, "iirButterworth"),
            ("ftBiquadIIR", "fdftBandPass", 8, "iirButterworth"),
            ("ftBiquadIIR", "fdftBandStop", 6, "iirChebyshev"),
            ("ftBiquadIIR", "fdftLowPass", 10, "iirButterworth")}
    for index, design in enumerate(iir):
        c = np.array(design["coefficients"])
        if design["kind"] == "ftIIR":
            power, phase = iir_response(c[:len(c) // 2], c[len(c) // 2:])
            ref = signal.freqz(c[:len(c) // 2], -c[len(c) // 2:], worN=frequencies(128))[1]
        else:
            power, phase = biquad_response(list(c))
            ref = signal.sosfreqz(c.reshape(-1, 6), worN=frequencies(128))[1]
        close(power, np.abs(ref) ** 2, 1e-9, "power against scipy's freqz")
        key = (design["kind"], design["band"], design["order"], design["prototype"])
        if key in kept:
            kept.discard(key)
            cases.append({"design": "iir", "index": index, "power": power, "phase": phase})
    assert not kept, kept
    return cases


def main():
    fir, iir = fir_cases(), iir_cases()
    golden = {"windows": window_cases(), "fir": fir, "iir": iir,
              "responses": response_cases(fir, iir)}
    with open(os.path.join(HERE, "golden.json"), "w") as out:
        json.dump(golden, out, separators=(",", ":"))
        out.write("\n")


if __name__ == "__main__":
    main()
