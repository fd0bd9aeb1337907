// Placeholder until the analysis lands: reports no fit.
#include "growth.h"

const char* const growthClassNames[growthClassCount] = {"1", "lg N", "N", "N lg N", "N^2", "N^3"};
const char* const verdictNames[verdictCount] = {"agrees", "undecided", "differs", "no fit", "n/a"};

GrowthFit fitGrowth(const GrowthData&, double noiseFloor) {
    GrowthFit fit = {false, 0, 0, 0, {}, noiseFloor, {}};
    return fit;
}

TextbookGrowth textbookGrowth(SortId, const Shape&, double, double) { return TextbookGrowth{false, "", ""}; }

FamilyGrowth analyzeFamily(SortId sort, const Shape& shape, const GrowthData& data, double noiseFloor) {
    FamilyGrowth family = {sort, shape, data.sizes, fitGrowth(data, noiseFloor), {}, verdictNotApplicable};
    family.textbook = textbookGrowth(sort, shape, 0, 0);
    return family;
}

std::string growthTable(const std::vector<FamilyGrowth>&, const std::string&) { return ""; }
std::string growthJson(const std::vector<FamilyGrowth>&) { return "{\"families\": []}\n"; }
std::string growthJsonFields(const FamilyGrowth&) { return "\"verdict\": \"n/a\""; }
