// How growth is judged (docs/growth.md says the same for readers, with the
// figures behind each number):
//
// Exponent: the least-squares slope of ln(figure) against ln(n) over the
// medians per size, every size weighted alike. Its standard error from the
// residuals is widened by (1 + r) / (1 - r), r the residuals' lag-one
// autocorrelation plus 0.5 (a fitted line's few residuals understate it),
// 0 to 0.8: a busy machine drifts, so neighbouring sizes
// err alike and the residuals alone look too tidy. The repetitions' spread
// at each size adds its own share once. Student's t on k - 2 degrees of
// freedom gives the 95% interval.
//
// Noise: the repetitions' robust spread, the median over the sizes of
// 1.4826 times the median absolute deviation of ln(sample), at least
// noiseFloor. The best class's own misfit never counts as noise: when no
// class fits, every class would otherwise fit more.
//
// Classes 1, lg N, N, N lg N, N^2, N^3: each fitted as a f(n) + c, a > 0,
// c >= 0, least squares on relative errors. Then:
// - no single class when the best one misses by more than 3 times the
//   noise (root-mean-square relative error, with the next lower term
//   allowed beside it once five sizes or more ran, so that merge sort's
//   n lg n - 1.25 n is one class);
// - a class fits when its RSS <= best RSS + q w noise^2, q = 6, w =
//   (t / 1.96)^2 with Student's t on k - parameters degrees of freedom;
// - neighbouring classes whose exact curves fit each other within twice the
//   noise over these sizes come together;
// - a class is never listed whose largest slope lies below the exponent's
//   whole interval (N, lg N, 1 for data rising faster than n) or whose least
//   slope lies above it (N^2, N^3).
//
// Verdict, against the textbook's classes for the sizes that ran:
// confirmed when the fitting classes are all expected; consistent when the
// others cannot be told from an expected one over these sizes; undecided
// when they could be, or the sizes span a change of regime; differs when
// no expected class fits; no single class; n/a without a textbook figure
// or with fewer than three sizes.
#include "compare/growth.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "compare/options.h"
#include "compare/text.h"

const char* const growthClassNames[growthClassCount] = {"1", "lg N", "N", "N lg N", "N^2", "N^3"};

bool parseGrowthClass(const std::string& text, GrowthClass& cls) {
    for (int c = 0; c < growthClassCount; ++c) {
        if (text == growthClassNames[c]) {
            cls = GrowthClass(c);
            return true;
        }
    }
    return false;
}
const char* const verdictNames[verdictCount] = {"confirmed", "consistent",      "undecided",
                                                "differs",   "no single class", "n/a"};
const char* const growthTermNames[growthTermCount] = {"n^2", "n lg n", "n", "1"};

namespace {

const double fitRuleQ = 6;
// Misfit beyond this many times the noise: no single class.
const double noSingleClassFactor = 3;
const double infinity = std::numeric_limits<double>::infinity();
const double unknown = std::numeric_limits<double>::quiet_NaN();
// Exact counts such as n - 1 rise a shade faster than their class.
const double slopeMargin = 0.01;

double classValue(GrowthClass cls, double n) {
    switch (cls) {
        case growthOne: return 1;
        case growthLgN: return std::log2(n);
        case growthN: return n;
        case growthNLgN: return n * std::log2(n);
        case growthN2: return n * n;
        default: return n * n * n;
    }
}

// The least sum of squared relative errors of t = a f(n) + c, a > 0, c >= 0;
// infinity when a = 0 would do best.
double classRss(GrowthClass cls, const std::vector<double>& n, const std::vector<double>& t) {
    // Relative residual 1 - a u - c v, u = f / t, v = 1 / t; both scaled to
    // at most 1, which keeps n^3 and tiny times in range.
    const std::size_t k = n.size();
    std::vector<double> u(k), v(k);
    double uMax = 0, vMax = 0;
    for (std::size_t i = 0; i < k; ++i) {
        u[i] = classValue(cls, n[i]) / t[i];
        v[i] = 1 / t[i];
        uMax = std::max(uMax, u[i]);
        vMax = std::max(vMax, v[i]);
    }
    double suu = 0, suv = 0, svv = 0, su = 0, sv = 0;
    for (std::size_t i = 0; i < k; ++i) {
        u[i] /= uMax;
        v[i] /= vMax;
        suu += u[i] * u[i];
        suv += u[i] * v[i];
        svv += v[i] * v[i];
        su += u[i];
        sv += v[i];
    }
    auto rss = [&](double a, double c) {
        double sum = 0;
        for (std::size_t i = 0; i < k; ++i) sum += (1 - a * u[i] - c * v[i]) * (1 - a * u[i] - c * v[i]);
        return sum;
    };
    const double constantOnly = rss(0, sv / svv);
    if (cls == growthOne) return constantOnly;
    const double det = suu * svv - suv * suv;
    if (det > 1e-12 * suu * svv) {
        const double a = (su * svv - sv * suv) / det;
        const double c = (suu * sv - suv * su) / det;
        if (a > 0 && c >= 0) return rss(a, c);
    }
    const double noConstant = rss(su / suu, 0);
    return noConstant < constantOnly ? noConstant : infinity;
}

double rmsError(double rss, std::size_t k) { return std::sqrt(rss / static_cast<double>(k)); }

// How well the exact curves of two neighbouring classes fit each other over
// these sizes: the steeper class's model fitted to the flatter class's
// values, or the other way round if that fits better. The curves of 1 and
// lg N are nearly flat here, and a steeper model with a large constant
// mimics any nearly flat curve, so they are only ever the model. Classes
// further apart are always told apart here (the data may still fit both).
double curveDistance(GrowthClass a, GrowthClass b, const std::vector<double>& n) {
    if (a > b) std::swap(a, b);
    if (b - a != 1) return infinity;
    auto fitted = [&](GrowthClass model, GrowthClass values) {
        std::vector<double> t(n.size());
        for (std::size_t i = 0; i < n.size(); ++i) t[i] = classValue(values, n[i]);
        return rmsError(classRss(model, n, t), n.size());
    };
    if (a <= growthLgN) return fitted(a, b);
    return std::min(fitted(a, b), fitted(b, a));
}

bool apart(GrowthClass a, GrowthClass b, const std::vector<double>& n, double noise) {
    return a != b && curveDistance(a, b, n) > noise;
}

// Student's t for a two-sided 95% interval.
double studentT975(int df) {
    static const double table[] = {12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306, 2.262, 2.228,
                                   2.201,  2.179, 2.160, 2.145, 2.131, 2.120, 2.110, 2.101, 2.093, 2.086,
                                   2.080,  2.074, 2.069, 2.064, 2.060, 2.056, 2.052, 2.048, 2.045, 2.042};
    if (df <= 30) return table[df - 1];
    // Cornish-Fisher, good to 0.001 from 30 on.
    const double z = 1.959964;
    return z + (z * z * z + z) / (4 * df) + (5 * std::pow(z, 5) + 16 * z * z * z + 3 * z) / (96.0 * df * df);
}

bool contains(const std::vector<GrowthClass>& classes, GrowthClass cls) {
    return std::find(classes.begin(), classes.end(), cls) != classes.end();
}

double termValue(GrowthTerm term, double n) {
    switch (term) {
        case termN2: return n * n;
        case termNLgN: return n * std::log2(n);
        case termN: return n;
        default: return 1;
    }
}

// Least squares of 1 = sum a_j u_j(i), u_j = f_j(n_i) / t_i, by modified
// Gram-Schmidt on columns scaled to at most 1 (n^2 and 1 differ by 1e12).
// Empty when the columns are not independent over these sizes.
std::vector<double> relativeLeastSquares(const std::vector<std::vector<double>>& columns,
                                         const std::vector<double>& t, double* rss) {
    const std::size_t k = t.size(), p = columns.size();
    std::vector<std::vector<double>> q(p, std::vector<double>(k));
    std::vector<double> scale(p, 0);
    for (std::size_t j = 0; j < p; ++j) {
        for (std::size_t i = 0; i < k; ++i) scale[j] = std::max(scale[j], std::fabs(columns[j][i] / t[i]));
        if (!(scale[j] > 0)) return {};
        for (std::size_t i = 0; i < k; ++i) q[j][i] = columns[j][i] / t[i] / scale[j];
    }
    std::vector<std::vector<double>> r(p, std::vector<double>(p, 0));
    for (std::size_t j = 0; j < p; ++j) {
        double before = 0;
        for (double v : q[j]) before += v * v;
        for (std::size_t l = 0; l < j; ++l) {
            double dot = 0;
            for (std::size_t i = 0; i < k; ++i) dot += q[l][i] * q[j][i];
            r[l][j] = dot;
            for (std::size_t i = 0; i < k; ++i) q[j][i] -= dot * q[l][i];
        }
        double norm = 0;
        for (double v : q[j]) norm += v * v;
        if (!(norm > 1e-20 * before)) return {};
        r[j][j] = std::sqrt(norm);
        for (double& v : q[j]) v /= r[j][j];
    }
    std::vector<double> b(p, 0), a(p, 0);
    for (std::size_t j = 0; j < p; ++j) {
        for (std::size_t i = 0; i < k; ++i) b[j] += q[j][i];
    }
    for (std::size_t j = p; j-- > 0;) {
        double sum = b[j];
        for (std::size_t l = j + 1; l < p; ++l) sum -= r[j][l] * a[l];
        a[j] = sum / r[j][j];
    }
    if (rss != nullptr) {
        *rss = 0;
        for (std::size_t i = 0; i < k; ++i) {
            double model = 0;
            for (std::size_t j = 0; j < p; ++j) model += a[j] * columns[j][i] / t[i] / scale[j];
            *rss += (1 - model) * (1 - model);
        }
    }
    for (std::size_t j = 0; j < p; ++j) a[j] /= scale[j];
    return a;
}

// The best class's misfit with the next lower term beside it: n for
// N lg N and N^2, n^2 for N^3; the others have their constant only.
double misfitWithLowerTerm(GrowthClass cls, const std::vector<double>& n, const std::vector<double>& t) {
    const std::size_t k = n.size();
    double best = rmsError(classRss(cls, n, t), k);
    if (k < 5 || cls < growthNLgN) return best;
    std::vector<std::vector<double>> columns(3, std::vector<double>(k, 1));
    for (std::size_t i = 0; i < k; ++i) {
        columns[0][i] = classValue(cls, n[i]);
        columns[1][i] = cls == growthN3 ? n[i] * n[i] : n[i];
    }
    double rss = infinity;
    const std::vector<double> a = relativeLeastSquares(columns, t, &rss);
    if (!a.empty() && a[0] > 0) best = std::min(best, rmsError(rss, k));
    return best;
}

// 1.4826 times the median absolute deviation averages this share of sigma
// for normal samples of m (simulated, 400000 draws each); three
// repetitions read two thirds of it.
double madBias(std::size_t m) {
    static const double bias[] = {1,      1,      0.8356, 0.6746, 0.7360, 0.8231, 0.8409,
                                  0.8790, 0.8863, 0.9071, 0.9126, 0.9262, 0.9286};
    return m < sizeof bias / sizeof bias[0] ? bias[m] : 1 - 0.85 / static_cast<double>(m);
}

// A size's spread: 1.4826 times the median absolute deviation of
// ln(sample), which one wild repetition barely moves, made unbiased.
double robustSpread(const std::vector<double>& samples) {
    std::vector<double> logs;
    for (double v : samples) logs.push_back(std::log(std::max(v, 1e-300)));
    const double middle = median(logs);
    for (double& v : logs) v = std::fabs(v - middle);
    return 1.4826 * median(logs) / madBias(samples.size());
}

// The scatter of ln(median) about a smooth curve: each inner size against
// the line through its neighbours, scaled to one size's share.
double driftSpread(const std::vector<double>& x, const std::vector<double>& y, bool robust) {
    std::vector<double> deviations;
    for (std::size_t i = 1; i + 1 < x.size(); ++i) {
        const double w = (x[i + 1] - x[i]) / (x[i + 1] - x[i - 1]);
        const double line = w * y[i - 1] + (1 - w) * y[i + 1];
        deviations.push_back(std::fabs(y[i] - line) / std::sqrt(1 + w * w + (1 - w) * (1 - w)));
    }
    // Before steps and outliers are out, the median; after, the mean
    // absolute deviation, as a median of eight reads too loosely.
    if (robust) return deviations.empty() ? 0 : median(deviations) / 0.6745;
    double sum = 0;
    for (double d : deviations) sum += d;
    return deviations.empty() ? 0 : 1.2533 * sum / static_cast<double>(deviations.size());
}

// Each gap's jump: how far the rise across it departs from the slopes of
// the gaps either side.
std::vector<double> gapJumps(const std::vector<double>& x, const std::vector<double>& y) {
    const std::size_t gaps = x.size() - 1;
    std::vector<double> slope(gaps), jump(gaps, 0);
    for (std::size_t g = 0; g < gaps; ++g) slope[g] = (y[g + 1] - y[g]) / (x[g + 1] - x[g]);
    for (std::size_t g = 0; g < gaps; ++g) {
        double sum = 0;
        int count = 0;
        if (g > 0) sum += slope[g - 1], ++count;
        if (g + 1 < gaps) sum += slope[g + 1], ++count;
        if (count > 0) jump[g] = (slope[g] - sum / count) * (x[g + 1] - x[g]);
    }
    return jump;
}

double squares(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) sum += v * v;
    return sum;
}

// Least-squares slope of y on x over indices from..to, and its sum of squares of x.
double slopeOver(const std::vector<double>& x, const std::vector<double>& y, std::size_t from, std::size_t to,
                 double* sxxOut) {
    double xm = 0, ym = 0;
    const double count = static_cast<double>(to - from + 1);
    for (std::size_t i = from; i <= to; ++i) xm += x[i] / count, ym += y[i] / count;
    double sxx = 0, sxy = 0;
    for (std::size_t i = from; i <= to; ++i)
        sxx += (x[i] - xm) * (x[i] - xm), sxy += (x[i] - xm) * (y[i] - ym);
    if (sxxOut != nullptr) *sxxOut = sxx;
    return sxx > 0 ? sxy / sxx : 0;
}

// Least squares of y on the columns; the last coefficient's standard error
// per unit of noise in *error. Empty when the columns are not independent.
std::vector<double> plainLeastSquares(const std::vector<std::vector<double>>& columns,
                                      const std::vector<double>& y, double* rss, double* error) {
    const std::size_t k = y.size(), p = columns.size();
    std::vector<std::vector<double>> q = columns;
    std::vector<std::vector<double>> r(p, std::vector<double>(p, 0));
    for (std::size_t j = 0; j < p; ++j) {
        const double before = squares(q[j]);
        for (std::size_t l = 0; l < j; ++l) {
            double dot = 0;
            for (std::size_t i = 0; i < k; ++i) dot += q[l][i] * q[j][i];
            r[l][j] = dot;
            for (std::size_t i = 0; i < k; ++i) q[j][i] -= dot * q[l][i];
        }
        const double norm = squares(q[j]);
        if (!(norm > 1e-12 * before)) return {};
        r[j][j] = std::sqrt(norm);
        for (double& v : q[j]) v /= r[j][j];
    }
    std::vector<double> b(p, 0), a(p, 0);
    for (std::size_t j = 0; j < p; ++j) {
        for (std::size_t i = 0; i < k; ++i) b[j] += q[j][i] * y[i];
    }
    for (std::size_t j = p; j-- > 0;) {
        double sum = b[j];
        for (std::size_t l = j + 1; l < p; ++l) sum -= r[j][l] * a[l];
        a[j] = sum / r[j][j];
    }
    *rss = 0;
    for (std::size_t i = 0; i < k; ++i) {
        double model = 0;
        for (std::size_t j = 0; j < p; ++j) model += a[j] * columns[j][i];
        *rss += (y[i] - model) * (y[i] - model);
    }
    // The last column's part independent of the others is q's last row times r's last diagonal.
    *error = 1 / r[p - 1][p - 1];
    return a;
}

// How many noises a jump must reach to be called a step or an outlier; a
// change of slope, how many standard errors, and at least how much.
const double departureNoises = 5;
const double bendErrors = 4;
const double leastBend = 0.25;

// Steps and outliers found in y = ln(median) and taken out of it (at most
// two), then a change of slope.
std::vector<Departure> findDepartures(const std::vector<double>& n, const std::vector<double>& x,
                                      std::vector<double>& y, double noise) {
    std::vector<Departure> found;
    const std::size_t k = x.size();
    if (k < 4) return found;
    for (int round = 0; round < 2; ++round) {
        const std::vector<double> jump = gapJumps(x, y);
        std::size_t g = 0;
        for (std::size_t i = 1; i < jump.size(); ++i) {
            if (std::fabs(jump[i]) > std::fabs(jump[g])) g = i;
        }
        if (!(std::fabs(jump[g]) > departureNoises * noise)) break;
        // Slopes either side that disagree make it a bend, not a step.
        if (g > 0 && g + 2 < k) {
            const double before = (y[g] - y[g - 1]) / (x[g] - x[g - 1]);
            const double after = (y[g + 2] - y[g + 1]) / (x[g + 2] - x[g + 1]);
            if (std::fabs(after - before) * (x[g + 1] - x[g]) > 0.75 * std::fabs(jump[g])) break;
        }
        // A step at g, or one inner size either side of it out of line:
        // whichever leaves the smoother curve.
        std::vector<double> step = y;
        for (std::size_t i = g + 1; i < k; ++i) step[i] -= jump[g];
        double bestRough = squares(gapJumps(x, step));
        Departure departure = {departureStep, n[g], n[g + 1], std::exp(jump[g]), 0, 0, ""};
        std::vector<double> best = step;
        for (std::size_t j : {g, g + 1}) {
            if (j == 0 || j + 1 >= k) continue;
            std::vector<double> mended = y;
            const double w = (x[j + 1] - x[j]) / (x[j + 1] - x[j - 1]);
            const double line = w * y[j - 1] + (1 - w) * y[j + 1];
            mended[j] = line;
            // Only a clearly smoother curve makes it an outlier: an end
            // size out of line cannot be told from a step.
            const double rough = squares(gapJumps(x, mended));
            if (rough < 0.5 * bestRough) {
                bestRough = rough;
                best = mended;
                departure = {departureOutlier, n[j], n[j], std::exp(y[j] - line), 0, 0, ""};
            }
        }
        y = best;
        found.push_back(departure);
    }
    // A change of slope: a line that bends at an inner size, two gaps at
    // least either side, where it fits best.
    double bestScore = 0, bestRss = 0;
    Departure bend = {departureBend, 0, 0, 1, 0, 0, ""};
    for (std::size_t m = 2; m + 2 < k; ++m) {
        std::vector<std::vector<double>> columns(3, std::vector<double>(k, 1));
        for (std::size_t i = 0; i < k; ++i) {
            columns[1][i] = x[i];
            columns[2][i] = std::max(0.0, x[i] - x[m]);
        }
        double rss = 0, error = 0;
        const std::vector<double> a = plainLeastSquares(columns, y, &rss, &error);
        if (a.empty()) continue;
        const double score = std::fabs(a[2]) / (noise * error);
        if (bestScore == 0 || rss < bestRss) {
            bestRss = rss;
            bestScore = score;
            bend = {departureBend, n[m], n[m], 1, a[1], a[1] + a[2], ""};
        }
    }
    if (!(bestScore > bendErrors && std::fabs(bend.after - bend.before) >= leastBend)) bestScore = 0;
    if (bestScore > 0) found.push_back(bend);
    return found;
}

bool usable(const std::vector<double>& samples) {
    const double m = samples.empty() ? 0 : median(samples);
    return m > 0 && std::isfinite(m);
}

struct Judgement {
    Verdict verdict;
    std::vector<GrowthClass> notToldApart;
};

Judgement judge(const GrowthFit& fit, const TextbookGrowth& textbook, const std::vector<double>& sizes) {
    if (!textbook.known || !fit.hasExponent) return {verdictNotApplicable, {}};
    if (fit.classes.empty()) return {verdictNoSingleClass, {}};
    bool expectedFits = false;
    for (GrowthClass cls : fit.classes) expectedFits = expectedFits || contains(textbook.classes, cls);
    if (!expectedFits) return {verdictDiffers, {}};
    if (textbook.piecewise) return {verdictUndecided, {}};
    Judgement judgement = {verdictConfirmed, {}};
    for (GrowthClass cls : fit.classes) {
        if (contains(textbook.classes, cls)) continue;
        bool twin = false;
        for (GrowthClass expected : fit.classes) {
            twin = twin || (contains(textbook.classes, expected) && !apart(cls, expected, sizes, fit.noise));
        }
        if (!twin) return {verdictUndecided, {}};
        judgement.verdict = verdictConsistent;
        judgement.notToldApart.push_back(cls);
    }
    return judgement;
}

}  // namespace

double classSlopeMost(GrowthClass cls, double least) {
    switch (cls) {
        case growthOne: return 0;
        case growthLgN: return 1 / std::log(least);
        case growthN: return 1;
        case growthNLgN: return 1 + 1 / std::log(least);
        case growthN2: return 2;
        default: return 3;
    }
}

// a n^2 + b n + c with b, c >= 0 never rises slower than n at large n; likewise N^3 and n^2.
double classSlopeLeast(GrowthClass cls, double) { return cls == growthN2 ? 1 : cls == growthN3 ? 2 : 0; }

GrowthFit fitGrowth(const GrowthData& data, double noiseFloor, GrowthFigure figure) {
    GrowthFit fit = {false, 0, 0, 0, {}, noiseFloor, {}, 0, 0, 0, {}};
    // Sizes without a usable figure did not run.
    std::vector<double> n, x, y, medianVariance, spreads;
    for (std::size_t i = 0; i < data.sizes.size() && i < data.samples.size(); ++i) {
        const std::vector<double>& s = data.samples[i];
        if (!usable(s)) continue;
        n.push_back(data.sizes[i]);
        x.push_back(std::log(n.back()));
        y.push_back(std::log(median(s)));
        double variance = 0;
        if (s.size() > 1) {
            spreads.push_back(robustSpread(s));
            variance = spreads.back() * spreads.back();
        }
        // The median of m samples of spread s varies by about 1.25 s / sqrt(m).
        medianVariance.push_back(1.5708 * variance / static_cast<double>(s.size()));
    }
    const std::size_t k = n.size();
    for (std::size_t i = 0; i + 1 < k; ++i) fit.localSlopes.push_back((y[i + 1] - y[i]) / (x[i + 1] - x[i]));
    // The mean of unbiased spreads: their median would read low again.
    // Decisions weigh medians, whose noise is the repetitions' share.
    double medianNoise = 0;
    for (std::size_t i = 0; i < spreads.size(); ++i) {
        fit.repetitionNoise += spreads[i] / static_cast<double>(spreads.size());
    }
    for (double v : medianVariance) {
        if (v > 0) medianNoise += std::sqrt(v) / static_cast<double>(spreads.size());
    }
    fit.noise = std::max(noiseFloor, medianNoise);
    if (figure == figureTime) {
        // Repetitions back to back agree more than sizes timed minutes apart.
        fit.departures = findDepartures(n, x, y, std::max(fit.noise, driftSpread(x, y, true)));
        // Measured again without the steps and outliers, which are no noise.
        fit.driftNoise = driftSpread(x, y, false);
        fit.noise = std::max(fit.noise, fit.driftNoise);
    }
    if (k < 3) return fit;
    std::vector<double> t(k);
    for (std::size_t i = 0; i < k; ++i) t[i] = std::exp(y[i]);

    double xMean = 0, yMean = 0;
    for (std::size_t i = 0; i < k; ++i) {
        xMean += x[i] / static_cast<double>(k);
        yMean += y[i] / static_cast<double>(k);
    }
    double sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < k; ++i) {
        sxx += (x[i] - xMean) * (x[i] - xMean);
        sxy += (x[i] - xMean) * (y[i] - yMean);
    }
    if (!(sxx > 0)) return fit;  // sizes not increasing: no slope to take
    const double slope = sxy / sxx;
    std::vector<double> residual(k);
    double residuals = 0, spreadTerm = 0;
    for (std::size_t i = 0; i < k; ++i) {
        residual[i] = y[i] - yMean - slope * (x[i] - xMean);
        residuals += residual[i] * residual[i];
        spreadTerm += std::pow((x[i] - xMean) / sxx, 2) * medianVariance[i];
    }
    // Neighbouring sizes that err alike: lag-one autocorrelation of the
    // residuals, widening as an AR(1) process's variance of a mean does.
    double lagged = 0;
    for (std::size_t i = 0; i + 1 < k; ++i) lagged += residual[i] * residual[i + 1];
    // Ten residuals of a fitted line understate their correlation: + 0.5.
    const double r = residuals > 0 ? std::min(0.8, std::max(0.0, lagged / residuals + 0.5)) : 0;
    const double drift = (1 + r) / (1 - r);
    const double standardError = std::sqrt(drift * residuals / static_cast<double>(k - 2) / sxx + spreadTerm);
    const double halfWidth = studentT975(static_cast<int>(k) - 2) * standardError;
    fit.hasExponent = true;
    fit.exponent = slope;
    fit.exponentLow = slope - halfWidth;
    fit.exponentHigh = slope + halfWidth;

    // Few sizes estimate the noise loosely: widened as Student's t widens.
    const double widen = std::pow(studentT975(static_cast<int>(k) - 2) / 1.96, 2);
    const double allowance = fitRuleQ * widen * fit.noise * fit.noise;
    double rss[growthClassCount];
    for (int c = 0; c < growthClassCount; ++c) rss[c] = classRss(GrowthClass(c), n, t);
    // n lg n + b n with a large b is N lg N with its lower term, once the
    // n lg n term earns its place against N alone over enough sizes.
    if (k >= 8) {
        std::vector<std::vector<double>> columns(3, std::vector<double>(k, 1));
        for (std::size_t i = 0; i < k; ++i) {
            columns[0][i] = classValue(growthNLgN, n[i]);
            columns[1][i] = n[i];
        }
        double withLower = infinity;
        const std::vector<double> a = relativeLeastSquares(columns, t, &withLower);
        if (!a.empty() && a[0] > 0 && a[1] >= 0 && a[2] >= 0 && rss[growthN] - withLower > allowance)
            rss[growthNLgN] = std::min(rss[growthNLgN], withLower);
    }
    int best = growthOne;
    for (int c = 0; c < growthClassCount; ++c) {
        if (rss[c] < rss[best]) best = c;
    }
    fit.fitError = misfitWithLowerTerm(GrowthClass(best), n, t);
    if (fit.fitError > noSingleClassFactor * fit.noise) return fit;
    for (int c = 0; c < growthClassCount; ++c) {
        if (rss[c] <= rss[best] + allowance) fit.classes.push_back(GrowthClass(c));
    }
    // Grows while it scans: a class that cannot be told apart from one
    // that was added is added too.
    for (std::size_t f = 0; f < fit.classes.size(); ++f) {
        for (int c = 0; c < growthClassCount; ++c) {
            if (!contains(fit.classes, GrowthClass(c)) &&
                !apart(GrowthClass(c), fit.classes[f], n, fit.noise)) {
                fit.classes.push_back(GrowthClass(c));
            }
        }
    }
    // The slopes of the lower and the upper half of the sizes, each with
    // the error the noise gives it.
    const std::size_t middle = (k - 1) / 2;
    double sxxLow = 0, sxxHigh = 0;
    const double lowSlope = slopeOver(x, y, 0, middle, &sxxLow);
    const double highSlope = slopeOver(x, y, middle, k - 1, &sxxHigh);
    const double highError = fit.noise / std::sqrt(sxxHigh);
    const bool rising = highSlope - lowSlope > 3 * fit.noise * std::sqrt(1 / sxxLow + 1 / sxxHigh);
    // The exponent rules out classes that can never rise as fast, or as
    // slowly, as the whole interval says; a ratio to the class that still
    // climbs over the upper sizes rules it out too. N^2 and N^3 need the
    // interval to reach their exponent, or slopes that climb towards it:
    // a lower term of free sign would let them fit n^1.5.
    fit.classes.erase(
        std::remove_if(fit.classes.begin(), fit.classes.end(),
                       [&](GrowthClass c) {
                           const double most = classSlopeMost(c, n.front()) + slopeMargin;
                           const bool tooSlow =
                               most < fit.exponentLow ||
                               highSlope - 3 * highError > classSlopeMost(c, n[middle]) + slopeMargin;
                           const bool tooFast = classSlopeLeast(c, n.back()) - slopeMargin > fit.exponentHigh;
                           const bool unreached = c >= growthN2 && !rising &&
                                                  fit.exponentHigh < classSlopeMost(c, 0) - slopeMargin;
                           return tooSlow || tooFast || unreached;
                       }),
        fit.classes.end());
    std::stable_sort(fit.classes.begin(), fit.classes.end(),
                     [&](GrowthClass a, GrowthClass b) { return rss[a] < rss[b]; });
    return fit;
}

GrowthTerms fitTermsFrom(const GrowthData& data, const std::vector<GrowthTerm>& terms, double least,
                         double* misfit) {
    std::vector<double> n, t;
    for (std::size_t i = 0; i < data.sizes.size() && i < data.samples.size(); ++i) {
        if (!usable(data.samples[i]) || data.sizes[i] < least) continue;
        n.push_back(data.sizes[i]);
        t.push_back(median(data.samples[i]));
    }
    if (terms.empty() || n.size() < 3 || n.size() <= terms.size()) return {};
    std::vector<std::vector<double>> columns;
    for (GrowthTerm term : terms) {
        columns.emplace_back();
        for (double v : n) columns.back().push_back(termValue(term, v));
    }
    double rss = 0;
    const std::vector<double> a = relativeLeastSquares(columns, t, &rss);
    if (misfit != nullptr) *misfit = rmsError(rss, n.size());
    GrowthTerms fitted;
    for (std::size_t j = 0; j < a.size(); ++j) fitted.push_back({terms[j], a[j]});
    return fitted;
}

GrowthTerms fitTerms(const GrowthData& data, const std::vector<GrowthTerm>& terms) {
    return fitTermsFrom(data, terms, 0, nullptr);
}

namespace {

// A term whose share of the textbook's figure at the largest size is below
// this cannot be told from the others' misfit over these sizes.
const double leastTermShare = 0.05;

}  // namespace

FamilyGrowth analyzeFamily(SortId sort, const Shape& shape, GrowthFigure figure, const GrowthData& data,
                           double noiseFloor) {
    FamilyGrowth family = {sort,
                           shape,
                           figure,
                           {},
                           fitGrowth(data, noiseFloor, figure),
                           {},
                           verdictNotApplicable,
                           {},
                           {},
                           {false, {}, "", {}, 0},
                           unknown,
                           unknown,
                           unknown,
                           unknown,
                           ""};
    for (std::size_t i = 0; i < data.sizes.size() && i < data.samples.size(); ++i) {
        if (usable(data.samples[i])) family.sizes.push_back(data.sizes[i]);
    }
    const double least = family.sizes.empty() ? 0 : family.sizes.front();
    const double most = family.sizes.empty() ? 0 : family.sizes.back();
    family.textbook = textbookGrowth(sort, shape, figure, least, most);
    const Judgement judgement = judge(family.fit, family.textbook, family.sizes);
    family.verdict = judgement.verdict;
    family.notToldApart = judgement.notToldApart;
    if (figure == figureOperations) family.textbookTerms = textbookTerms(sort, shape);
    // The terms to fit: the textbook's where it has a formula, over the
    // sizes where it holds, without a term too small there to identify;
    // else the best class's with its next lower term.
    std::vector<GrowthTerm> terms;
    double from = 0;
    if (family.textbookTerms.known) {
        from = family.textbookTerms.from;
        double total = 0;
        for (const TermConstant& term : family.textbookTerms.terms)
            total += std::fabs(term.constant * termValue(term.term, most));
        for (GrowthTerm term : family.textbookTerms.fitWith) {
            double share = 1;
            for (const TermConstant& known : family.textbookTerms.terms) {
                if (known.term == term) share = std::fabs(known.constant * termValue(term, most)) / total;
            }
            if (share >= leastTermShare || family.textbookTerms.fitWith.size() < 3) {
                terms.push_back(term);
            } else {
                family.termsLeftOut += formatted("%s%s term %.1f%% at %.0f, not identifiable",
                                                 family.termsLeftOut.empty() ? "" : "; ",
                                                 growthTermNames[term], 100 * share, most);
            }
        }
    } else if (!family.fit.classes.empty()) {
        switch (family.fit.classes.front()) {
            case growthN2: terms = {termN2, termN}; break;
            case growthNLgN: terms = {termNLgN, termN}; break;
            case growthN: terms = {termN, termOne}; break;
            default: break;
        }
        // Merge sort's time: n lg n for its merging, n for its allocations.
        if (figure == figureTime && sort == sortMerge && family.fit.classes.front() <= growthNLgN &&
            family.fit.classes.front() >= growthN) {
            terms = {termNLgN, termN};
        }
    }
    double misfit = unknown;
    family.terms = fitTermsFrom(data, terms, from, &misfit);
    if (!family.terms.empty()) {
        family.termsMisfit = misfit;
        // The least size fitted: sizes increase.
        for (auto size = family.sizes.rbegin(); size != family.sizes.rend() && *size >= from; ++size)
            family.termsFrom = *size;
        family.termsTo = most;
    } else if (from > least && !terms.empty()) {
        family.termsLeftOut += formatted("%sthe form holds from n = %.0f: too few sizes there",
                                         family.termsLeftOut.empty() ? "" : "; ", from);
    }
    if (figure == figureTime && sort == sortMerge && family.terms.size() == 2 &&
        family.terms[0].term == termNLgN) {
        const double linear = family.terms[1].constant * most;
        family.linearShare = linear / (family.terms[0].constant * most * std::log2(most) + linear);
    }
    return family;
}

void nameStepCauses(GrowthFit& fit, const std::vector<double>& sizes, const std::vector<double>& bytes,
                    const std::vector<DataCache>& caches) {
    auto bytesAt = [&](double n) {
        for (std::size_t i = 0; i < sizes.size() && i < bytes.size(); ++i) {
            if (sizes[i] == n) return bytes[i];
        }
        return 0.0;
    };
    for (Departure& departure : fit.departures) {
        if (departure.kind != departureStep || !(departure.factor > 1)) continue;
        const double before = bytesAt(departure.from), after = bytesAt(departure.to);
        if (!(before > 0 && after > before)) continue;
        // A cache still serves much of data somewhat larger than itself:
        // the largest level the data outgrows between the two sizes, or
        // has just outgrown at the smaller one.
        const DataCache* crossed = nullptr;
        for (const DataCache& cache : caches) {
            const double size = static_cast<double>(cache.bytes);
            if (size < after && size * 4 > before) crossed = &cache;
        }
        if (crossed == nullptr) continue;
        const std::string name = dataCachesText({*crossed});  // "L2 1 MiB"
        const std::size_t space = name.find(' ');
        departure.cause = formatBytes(after) + " of data passes " + name.substr(0, space) + " (" +
                          name.substr(space + 1) + ")";
    }
}

std::string departureText(const Departure& departure) {
    std::string text;
    switch (departure.kind) {
        case departureStep:
            text = formatted("time per element x%.2f from %.0f to %.0f", departure.factor, departure.from,
                             departure.to);
            break;
        case departureOutlier:
            text =
                formatted("outlier at %.0f (x%.2f against its neighbours)", departure.from, departure.factor);
            break;
        default:
            text = formatted("slope %.2f to %.0f, %.2f above", departure.before, departure.from,
                             departure.after);
            break;
    }
    return departure.cause.empty() ? text : text + ": " + departure.cause;
}
