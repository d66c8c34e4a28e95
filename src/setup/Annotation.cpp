#include "setup/Annotation.h"

namespace vondrel::setup {

std::vector<AnnotationColumn> AnnotationColumns(bool strainGlobal, bool orgGlobal, bool bufferGlobal) {
    const double s = strainGlobal ? 0 : 0.15, o = orgGlobal ? 0 : 0.05, b = bufferGlobal ? 0 : 0.15;
    return {
        {"", "adv_group", 0.03, 0.02, 0.03, 0.02, true},
        // "#Group" stands over the option column too, which has no label.
        {"lbl_group", "txt_group", 0.03, 0.07, 0.06, 0.04, true},
        {"lbl_compound", "txt_compound", 0.10, 0.54 - s - o - b, 0.10, 0.54 - s - o - b, true},
        {"lbl_conc", "txt_conc", 0.64 - s - o - b, 0.05, 0.64 - s - o - b, 0.05, true},
        {"lbl_strain", "txt_strain", 0.69 - s - o - b, 0.15, 0.69 - s - o - b, 0.15, !strainGlobal},
        // "[org/well]" is wider than its column: its label reaches into the
        // buffer label's room (or past the grid's end).
        {"lbl_org", "txt_org", 0.69 - o - b, 0.08, 0.69 - o - b, 0.05, !orgGlobal},
        {"lbl_buff", "txt_buffer", 0.69 - b + (o > 0 ? 0.03 : 0), 0.15 - (o > 0 ? 0.03 : 0), 0.69 - b, 0.15,
         !bufferGlobal},
    };
}

int AnnotationRowUp(int first) { return first > 0 ? first - 1 : first; }
int AnnotationRowDown(int first) { return first < kLastFirstRow ? first + 1 : first; }

const std::vector<std::string>& AnnotationToolItems() {
    static const std::vector<std::string> items = {"Compound", "Strain", "Buffer", "[org/well]", "[Conc]"};
    return items;
}

AnnotationTexts* AnnotationColumnTexts(std::string_view tool) {
    if (tool == "Compound") return &g_group_compound;
    if (tool == "Strain") return &g_group_strain;
    if (tool == "Buffer") return &g_group_medium;
    if (tool == "[org/well]") return &g_group_organism_count;
    if (tool == "[Conc]") return &g_group_concentration;
    return nullptr;
}

int AnnotationGlobalOf(std::string_view tool) {
    if (tool == "Strain") return 1;
    if (tool == "[org/well]") return 2;
    if (tool == "Buffer") return 3;
    return 0;
}

bool FillAnnotation(std::string_view tool, const std::string& text) {
    AnnotationTexts* column = AnnotationColumnTexts(tool);
    if (!column) return false;
    for (int g = 0; g < kChannels; ++g)
        if (g_group_name_s1[g] != "Free") (*column)[g] = text;
    return true;
}

}  // namespace vondrel::setup
