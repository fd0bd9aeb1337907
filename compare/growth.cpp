// How growth is judged (docs/growth.md says the same for readers):
//
// Exponent: the least-squares slope of ln(figure) against ln(n) over the
// medians per size, every size weighted alike, so the largest size cannot
// decide alone. Its 95% interval is Student's t on k - 2 degrees of freedom
// times the slope's standard error, to which the spread of the samples at
// each size (repetitions, seeded inputs) adds its own: the median of m
// samples of spread s varies by about 1.25 s / sqrt(m).
//
// Classes 1, lg N, N, N lg N, N^2, N^3: each is fitted as t = a f(n) + c
// with a > 0 and c >= 0 by least squares on relative errors (weights
// 1 / median^2, so every size counts alike); when the best c is below zero,
// c = 0 and a is refitted, and a class whose best fit is the constant alone
// (a = 0) does not fit. Then, with RSS the sum of squared relative errors:
// - noise = the largest of: the samples' spread (root mean square over the
//   sizes of the standard deviation of ln(sample)), the best class's
//   residual estimate sqrt(RSS / (k - parameters)), and noiseFloor;
// - no class fits when the best class's root-mean-square relative error is
//   above noFitError (35%): the figures follow no single curve;
// - otherwise a class fits when its RSS <= best RSS + q w noise^2, q = 6 and
//   w = (t / 1.96)^2 with Student's t on k - parameters degrees of freedom,
//   which loosens the rule where few sizes estimate the noise;
// - neighbouring classes (in the order 1, lg N, N, N lg N, N^2, N^3) whose
//   exact curves fit each other within twice the noise over the sizes that
//   ran cannot be told apart there: when one fits, so does the other, and
//   so on along the chain. "Fit each other": the root-mean-square relative
//   error of one class's model fitted to the other's exact values, the
//   better direction; for 1 and lg N, whose curves are nearly flat here and
//   mimicked by any steeper model with a large constant, only their own
//   model counts. N lg N fitted to N is off by 4.1% over 1000..20000, 7.6%
//   over 1000..100000 and 12% over 1000..1000000.
// q was chosen with the synthetic test in tests/growth_test.cpp (lognormal
// noise of 15%, one outlier of 2x, 1000 trials per class over 1000..1000000):
// q from 2 to 30 reported the true class in every trial, never a wrong class
// alone, and N^2 data as N^2 alone in 996 to 998 of 1000. Over 1000..20000,
// where five sizes say little, q = 6 found the true class in 98% and a wrong
// class alone in 1.3% (q = 2: 97% and 3%); q = 30 did slightly better there
// but left N^2 alone in only 1% of its trials, keeping classes that more
// sizes could tell apart.
//
// Verdict, against the textbook's classes for the sizes that ran: agrees
// when an expected class fits and every other class that fits is expected
// too or cannot be told apart from one that is; undecided when an expected
// class fits beside classes that could be told apart (more sizes or
// repetitions would settle it), or when the sizes span a change of regime;
// differs when no expected class fits but another does; no fit; n/a when
// the textbook says nothing for these sizes or fewer than three sizes ran.
#include "compare/growth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "compare/html_report.h"

const char* const growthClassNames[growthClassCount] = {"1", "lg N", "N", "N lg N", "N^2", "N^3"};
const char* const verdictNames[verdictCount] = {"agrees", "undecided", "differs", "no fit", "n/a"};

namespace {

const double fitRuleQ = 6;
const double noFitError = 0.35;
const double infinity = std::numeric_limits<double>::infinity();

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

int parameterCount(GrowthClass cls) { return cls == growthOne ? 1 : 2; }

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
    return a != b && curveDistance(a, b, n) > 2 * noise;
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

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t m = values.size();
    return m % 2 ? values[m / 2] : (values[m / 2 - 1] + values[m / 2]) / 2;
}

bool contains(const std::vector<GrowthClass>& classes, GrowthClass cls) {
    return std::find(classes.begin(), classes.end(), cls) != classes.end();
}

Verdict judge(const GrowthFit& fit, const TextbookGrowth& textbook, const std::vector<double>& sizes) {
    if (!textbook.known || !fit.hasExponent) return verdictNotApplicable;
    if (fit.classes.empty()) return verdictNoFit;
    bool expectedFits = false;
    for (GrowthClass cls : fit.classes) expectedFits = expectedFits || contains(textbook.classes, cls);
    if (!expectedFits) return verdictDiffers;
    if (textbook.piecewise) return verdictUndecided;
    for (GrowthClass cls : fit.classes) {
        if (contains(textbook.classes, cls)) continue;
        bool twin = false;
        for (GrowthClass expected : fit.classes) {
            twin = twin || (contains(textbook.classes, expected) && !apart(cls, expected, sizes, fit.noise));
        }
        if (!twin) return verdictUndecided;
    }
    return verdictAgrees;
}

std::string number(const char* format, double value) {
    if (!std::isfinite(value)) return "null";
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string familyName(const FamilyGrowth& family) {
    return std::string(sortName(family.sort)) + "/" + shapeName(family.shape);
}

std::string classList(const std::vector<GrowthClass>& classes) {
    std::string text;
    for (GrowthClass cls : classes) text += (text.empty() ? "" : ", ") + std::string(growthClassNames[cls]);
    return text.empty() ? "-" : text;
}

std::string sizeRange(const std::vector<double>& sizes) {
    if (sizes.empty()) return "-";
    return number("%.0f", sizes.front()) + ".." + number("%.0f", sizes.back()) + " (" +
           std::to_string(sizes.size()) + ")";
}

std::string exponentText(const GrowthFit& fit) {
    if (!fit.hasExponent) return "-";
    return number("%.2f", fit.exponent) + " [" + number("%.2f", fit.exponentLow) + ", " +
           number("%.2f", fit.exponentHigh) + "]";
}

}  // namespace

// Columns padded to their widest cell; the last one is not padded.
std::string layOut(const std::vector<std::vector<std::string>>& rows, std::size_t rightFrom) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string pad(widths[c] - row[c].size(), ' ');
            line += c < rightFrom ? row[c] + pad : pad + row[c];
            if (c + 1 < row.size()) line += "  ";
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        text += line + "\n";
    }
    return text;
}

GrowthFit fitGrowth(const GrowthData& data, double noiseFloor) {
    GrowthFit fit = {false, 0, 0, 0, {}, noiseFloor, {}, 0};
    // Sizes without a usable figure did not run.
    std::vector<double> n, t, x, y, medianVariance;
    double spreadSum = 0;
    int spreadSizes = 0;
    for (std::size_t i = 0; i < data.sizes.size() && i < data.samples.size(); ++i) {
        const std::vector<double>& s = data.samples[i];
        if (s.empty() || !(median(s) > 0) || !std::isfinite(median(s))) continue;
        n.push_back(data.sizes[i]);
        t.push_back(median(s));
        x.push_back(std::log(n.back()));
        y.push_back(std::log(t.back()));
        double variance = 0;
        if (s.size() > 1) {
            double mean = 0;
            for (double v : s) mean += std::log(std::max(v, 1e-300));
            mean /= static_cast<double>(s.size());
            for (double v : s) variance += std::pow(std::log(std::max(v, 1e-300)) - mean, 2);
            variance /= static_cast<double>(s.size() - 1);
            spreadSum += variance;
            ++spreadSizes;
        }
        medianVariance.push_back(1.5708 * variance / static_cast<double>(s.size()));
    }
    const std::size_t k = n.size();
    for (std::size_t i = 0; i + 1 < k; ++i) fit.localSlopes.push_back((y[i + 1] - y[i]) / (x[i + 1] - x[i]));
    if (k < 3) return fit;

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
    double residuals = 0, spreadTerm = 0;
    for (std::size_t i = 0; i < k; ++i) {
        residuals += std::pow(y[i] - yMean - slope * (x[i] - xMean), 2);
        spreadTerm += std::pow((x[i] - xMean) / sxx, 2) * medianVariance[i];
    }
    const double standardError = std::sqrt(residuals / static_cast<double>(k - 2) / sxx + spreadTerm);
    const double halfWidth = studentT975(static_cast<int>(k) - 2) * standardError;
    fit.hasExponent = true;
    fit.exponent = slope;
    fit.exponentLow = slope - halfWidth;
    fit.exponentHigh = slope + halfWidth;

    double rss[growthClassCount];
    int best = growthOne;
    for (int c = 0; c < growthClassCount; ++c) {
        rss[c] = classRss(GrowthClass(c), n, t);
        if (rss[c] < rss[best]) best = c;
    }
    const double spread = spreadSizes > 0 ? std::sqrt(spreadSum / spreadSizes) : 0;
    const double residual = std::sqrt(rss[best] / static_cast<double>(k - parameterCount(GrowthClass(best))));
    fit.noise = std::max(std::max(spread, residual), noiseFloor);
    fit.fitError = rmsError(rss[best], k);
    if (fit.fitError > noFitError) return fit;
    // Few sizes estimate the noise loosely: widened as Student's t widens.
    const double widen =
        std::pow(studentT975(static_cast<int>(k) - parameterCount(GrowthClass(best))) / 1.96, 2);
    const double allowance = fitRuleQ * widen * fit.noise * fit.noise;
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
    std::stable_sort(fit.classes.begin(), fit.classes.end(),
                     [&](GrowthClass a, GrowthClass b) { return rss[a] < rss[b]; });
    return fit;
}

FamilyGrowth analyzeFamily(SortId sort, const Shape& shape, GrowthFigure figure, const GrowthData& data,
                           double noiseFloor) {
    FamilyGrowth family = {sort, shape, {}, fitGrowth(data, noiseFloor), {}, verdictNotApplicable};
    for (std::size_t i = 0; i < data.sizes.size() && i < data.samples.size(); ++i) {
        const std::vector<double>& s = data.samples[i];
        if (!s.empty() && median(s) > 0 && std::isfinite(median(s))) family.sizes.push_back(data.sizes[i]);
    }
    const double least = family.sizes.empty() ? 0 : family.sizes.front();
    const double most = family.sizes.empty() ? 0 : family.sizes.back();
    family.textbook = textbookGrowth(sort, shape, figure, least, most);
    family.verdict = judge(family.fit, family.textbook, family.sizes);
    return family;
}

std::string growthTable(const std::vector<FamilyGrowth>& families, const std::string& cacheNote) {
    if (families.empty()) return "";
    std::vector<std::vector<std::string>> rows = {
        {"Growth", "sizes", "exponent [95%]", "classes that fit", "textbook", "verdict"}};
    std::vector<double> allSizes;
    for (const FamilyGrowth& f : families) {
        rows.push_back({familyName(f), sizeRange(f.sizes), exponentText(f.fit), classList(f.fit.classes),
                        f.textbook.known ? f.textbook.text : "-", verdictNames[f.verdict]});
        allSizes.insert(allSizes.end(), f.sizes.begin(), f.sizes.end());
    }
    std::string text = layOut(rows, 6);
    // Local slopes under the upper size of each pair, so that a change of
    // regime lines up across the rows.
    std::sort(allSizes.begin(), allSizes.end());
    allSizes.erase(std::unique(allSizes.begin(), allSizes.end()), allSizes.end());
    if (allSizes.size() > 1) {
        std::vector<std::vector<std::string>> slopes = {{"Local slope up to"}};
        for (std::size_t s = 1; s < allSizes.size(); ++s) slopes[0].push_back(number("%.0f", allSizes[s]));
        for (const FamilyGrowth& f : families) {
            std::vector<std::string> row(allSizes.size(), "");
            row[0] = familyName(f);
            for (std::size_t i = 0; i < f.fit.localSlopes.size() && i + 1 < f.sizes.size(); ++i) {
                const std::size_t s = static_cast<std::size_t>(
                    std::lower_bound(allSizes.begin(), allSizes.end(), f.sizes[i + 1]) - allSizes.begin());
                row[s] = number("%.2f", f.fit.localSlopes[i]);
            }
            slopes.push_back(row);
        }
        text += "\n" + layOut(slopes, 1);
    }
    if (!cacheNote.empty()) text += cacheNote + "\n";
    return text;
}

std::string growthJsonFields(const FamilyGrowth& family) {
    const GrowthFit& fit = family.fit;
    auto list = [](const std::vector<double>& values, const char* format) {
        std::string text = "[";
        for (std::size_t i = 0; i < values.size(); ++i) text += (i ? ", " : "") + number(format, values[i]);
        return text + "]";
    };
    std::string classes = "[";
    for (std::size_t i = 0; i < fit.classes.size(); ++i) {
        classes += (i ? ", " : "") + scriptJsonString(growthClassNames[fit.classes[i]]);
    }
    classes += "]";
    const double unknown = std::numeric_limits<double>::quiet_NaN();
    return "\"sizes\": " + list(family.sizes, "%.0f") +
           ", \"exponent\": " + number("%.4f", fit.hasExponent ? fit.exponent : unknown) +
           ", \"exponent_low\": " + number("%.4f", fit.hasExponent ? fit.exponentLow : unknown) +
           ", \"exponent_high\": " + number("%.4f", fit.hasExponent ? fit.exponentHigh : unknown) +
           ", \"local_slopes\": " + list(fit.localSlopes, "%.4f") +
           ", \"noise\": " + number("%.4f", fit.noise) +
           ", \"fit_error\": " + number("%.4f", fit.hasExponent ? fit.fitError : unknown) +
           ", \"classes\": " + classes +
           ", \"textbook\": " + (family.textbook.known ? scriptJsonString(family.textbook.text) : "null") +
           ", \"textbook_reason\": " + scriptJsonString(family.textbook.reason) +
           ", \"verdict\": " + scriptJsonString(verdictNames[family.verdict]);
}

std::string growthJson(const std::vector<FamilyGrowth>& families) {
    std::string text = "{\"families\": [";
    for (std::size_t i = 0; i < families.size(); ++i) {
        text += std::string(i ? ",\n  " : "\n  ") +
                "{\"sort\": " + scriptJsonString(sortName(families[i].sort)) +
                ", \"shape\": " + scriptJsonString(shapeName(families[i].shape)) + ", " +
                growthJsonFields(families[i]) + "}";
    }
    return text + (families.empty() ? "]}\n" : "\n]}\n");
}
