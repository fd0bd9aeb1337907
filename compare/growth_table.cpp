// The one presentation of a family's growth: the console table, the JSON
// and the pages' rows all come from growthRowCells and its helpers.
#include <algorithm>
#include <cmath>
#include <limits>

#include "compare/growth.h"
#include "compare/text.h"

namespace {

const double unknown = std::numeric_limits<double>::quiet_NaN();
const char* const needsThreeSizes = "needs 3 sizes";

std::string number(const char* format, double value) {
    if (!std::isfinite(value)) return "null";
    return formatted(format, value);
}

std::string classList(const FamilyGrowth& family) {
    if (!family.fit.hasExponent) return needsThreeSizes;
    std::string text;
    for (GrowthClass cls : family.fit.classes) {
        text += (text.empty() ? "" : ", ") + std::string(growthClassNames[cls]);
    }
    return text.empty() ? verdictNames[verdictNoSingleClass] : text;
}

std::string sizeRange(const std::vector<double>& sizes) {
    if (sizes.empty()) return "-";
    if (sizes.size() == 1) return number("%.0f", sizes.front());
    return number("%.0f", sizes.front()) + ".." + number("%.0f", sizes.back()) + " (" +
           std::to_string(sizes.size()) + ")";
}

std::string exponentText(const GrowthFit& fit) {
    if (!fit.hasExponent) return "-";
    return number("%.2f", fit.exponent) + " [" + number("%.2f", fit.exponentLow) + ", " +
           number("%.2f", fit.exponentHigh) + "]";
}

std::string verdictText(const FamilyGrowth& family) {
    std::string text = verdictNames[family.verdict];
    if (!family.notToldApart.empty()) {
        text += " (not told from ";
        for (std::size_t i = 0; i < family.notToldApart.size(); ++i) {
            text += (i ? ", " : "") + std::string(growthClassNames[family.notToldApart[i]]);
        }
        text += ")";
    }
    return text;
}

std::string termsCell(const FamilyGrowth& family) {
    const std::string leftOut = family.termsLeftOut.empty() ? "" : " (" + family.termsLeftOut + ")";
    if (family.terms.empty()) return family.termsLeftOut.empty() ? "-" : family.termsLeftOut;
    std::string text = termsText(family.terms) +
                       formatted(" [misfit %.2f%% over %.0f..%.0f]", 100 * family.termsMisfit,
                                 family.termsFrom, family.termsTo) +
                       leftOut;
    if (std::isfinite(family.linearShare)) {
        text += formatted(" (n term %.0f%% at %.0f)", 100 * family.linearShare, family.sizes.back());
    }
    if (family.textbookTerms.known) text += " (textbook " + family.textbookTerms.text + ")";
    return text;
}

std::string termsJson(const GrowthTerms& terms) {
    if (terms.empty()) return "null";
    std::string text = "{";
    for (std::size_t i = 0; i < terms.size(); ++i) {
        text += (i ? ", " : "") + scriptJsonString(growthTermNames[terms[i].term]) + ": " +
                number("%.6g", terms[i].constant);
    }
    return text + "}";
}

std::string departuresJson(const std::vector<Departure>& departures) {
    static const char* const kinds[] = {"step", "outlier", "bend"};
    std::string text = "[";
    for (std::size_t i = 0; i < departures.size(); ++i) {
        const Departure& d = departures[i];
        text += std::string(i ? ", " : "") + "{\"kind\": \"" + kinds[d.kind] +
                "\", \"from\": " + number("%.0f", d.from) + ", \"to\": " + number("%.0f", d.to) +
                ", \"factor\": " + number("%.4f", d.factor) +
                ", \"slope_before\": " + number("%.4f", d.kind == departureBend ? d.before : unknown) +
                ", \"slope_after\": " + number("%.4f", d.kind == departureBend ? d.after : unknown) +
                ", \"cause\": " + scriptJsonString(d.cause) + "}";
    }
    return text + "]";
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

std::string termsText(const GrowthTerms& terms) {
    std::string text;
    for (const TermConstant& term : terms) {
        const double size = std::fabs(term.constant);
        std::string value = formatted(size >= 0.01 && size < 1000 ? "%#.3g" : "%.2g", size);
        if (value.back() == '.') value.pop_back();
        if (term.term != termOne) value += std::string(" ") + growthTermNames[term.term];
        text += text.empty() ? (term.constant < 0 ? "-" : "") + value
                             : (term.constant < 0 ? " - " : " + ") + value;
    }
    return text;
}

std::vector<std::string> growthRowHeader() {
    return {"Growth", "sizes",    "exponent [95%]", "local slopes", "classes that fit",
            "terms",  "textbook", "verdict",        "departures"};
}

std::string departuresText(const FamilyGrowth& family) {
    std::string text;
    for (const Departure& departure : family.fit.departures)
        text += (text.empty() ? "" : "; ") + departureText(departure);
    return text.empty() ? "-" : text;
}

std::vector<std::string> growthRowCells(const FamilyGrowth& family) {
    std::string slopes;
    for (double slope : family.fit.localSlopes) slopes += (slopes.empty() ? "" : " ") + number("%.2f", slope);
    return {familyName(family.sort, family.shape),
            sizeRange(family.sizes),
            exponentText(family.fit),
            slopes.empty() ? "-" : slopes,
            classList(family),
            termsCell(family),
            family.textbook.known ? family.textbook.text : "-",
            verdictText(family),
            departuresText(family)};
}

std::string growthTable(const std::vector<FamilyGrowth>& families, const std::string& cacheNote) {
    if (families.empty()) return "";
    // The local slopes go in a table of their own, lined up by size.
    auto withoutSlopes = [](std::vector<std::string> cells) {
        cells.erase(cells.begin() + 3);
        return cells;
    };
    std::vector<std::vector<std::string>> rows = {withoutSlopes(growthRowHeader())};
    std::vector<double> allSizes;
    for (const FamilyGrowth& f : families) {
        rows.push_back(withoutSlopes(growthRowCells(f)));
        allSizes.insert(allSizes.end(), f.sizes.begin(), f.sizes.end());
    }
    std::string text = layOut(rows, 8);
    // Local slopes under the upper size of each pair, so that a change of
    // regime lines up across the rows.
    std::sort(allSizes.begin(), allSizes.end());
    allSizes.erase(std::unique(allSizes.begin(), allSizes.end()), allSizes.end());
    if (allSizes.size() > 1) {
        std::vector<std::vector<std::string>> slopes = {{"Local slope up to"}};
        for (std::size_t s = 1; s < allSizes.size(); ++s) slopes[0].push_back(number("%.0f", allSizes[s]));
        for (const FamilyGrowth& f : families) {
            std::vector<std::string> row(allSizes.size(), "");
            row[0] = familyName(f.sort, f.shape);
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
    auto classes = [](const std::vector<GrowthClass>& list) {
        std::string text = "[";
        for (std::size_t i = 0; i < list.size(); ++i) {
            text += (i ? ", " : "") + scriptJsonString(growthClassNames[list[i]]);
        }
        return text + "]";
    };
    const std::vector<std::string> cells = growthRowCells(family);
    return "\"sizes\": " + list(family.sizes, "%.0f") +
           ", \"exponent\": " + number("%.4f", fit.hasExponent ? fit.exponent : unknown) +
           ", \"exponent_low\": " + number("%.4f", fit.hasExponent ? fit.exponentLow : unknown) +
           ", \"exponent_high\": " + number("%.4f", fit.hasExponent ? fit.exponentHigh : unknown) +
           ", \"local_slopes\": " + list(fit.localSlopes, "%.4f") +
           ", \"noise\": " + number("%.4f", fit.noise) +
           ", \"fit_error\": " + number("%.4f", fit.hasExponent ? fit.fitError : unknown) +
           ", \"classes\": " + classes(fit.classes) + ", \"classes_text\": " + scriptJsonString(cells[4]) +
           ", \"terms\": " + termsJson(family.terms) + ", \"textbook_terms\": " +
           termsJson(family.textbookTerms.known ? family.textbookTerms.terms : GrowthTerms()) +
           ", \"terms_text\": " + scriptJsonString(cells[5]) +
           ", \"linear_share\": " + number("%.4f", family.linearShare) +
           ", \"textbook\": " + (family.textbook.known ? scriptJsonString(family.textbook.text) : "null") +
           ", \"textbook_reason\": " + scriptJsonString(family.textbook.reason) +
           ", \"verdict\": " + scriptJsonString(verdictNames[family.verdict]) +
           ", \"not_told_apart\": " + classes(family.notToldApart) +
           ", \"verdict_text\": " + scriptJsonString(cells[7]) +
           ", \"noise_repetitions\": " + number("%.4f", fit.repetitionNoise) +
           ", \"noise_drift\": " + number("%.4f", fit.driftNoise) +
           ", \"departures\": " + departuresJson(fit.departures) +
           ", \"departures_text\": " + scriptJsonString(cells[8]) +
           ", \"misfit\": " + number("%.6f", family.termsMisfit) +
           ", \"terms_from\": " + number("%.0f", family.termsFrom) +
           ", \"terms_to\": " + number("%.0f", family.termsTo) +
           ", \"terms_left_out\": " + scriptJsonString(family.termsLeftOut);
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
