// The project side of the setup window without widgets: project numbers and
// folder names, the project list's items, the detection summary and the
// rules of the parameter boxes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vondrel::setup {

// Highest project number; the next number after it starts again at 1.
inline constexpr int kMaxProjectNumber = 32000;

// "p" and the number in five digits: 12 -> "p00012".
std::string ProjectFolderName(int number);
// The number a new project takes after `last`: last + 1, or 1 above 31999.
int16_t NextProjectNumber(int16_t last);

// A program-folder entry that may be a project: six characters, "p" and five
// more, no ".".
bool IsProjectEntryName(std::string_view name);
// The list item of a project folder: its name, "_", and what follows the
// first ":" and one more character of its summary line.
std::string ProjectListItem(const std::string& folderName, const std::string& summary);

// What a chosen list item names: the folder (its first six characters) and
// the number (the last five of them when the second is a digit, else the
// last four). A number below 1 is the default project.
struct ProjectChoice {
    std::string folderName;
    long number = 0;
};
std::optional<ProjectChoice> ParseProjectListItem(std::string_view item);

// Organisms by index 0..3: short name ("" for others), SNR threshold in
// tenths (0 for others) and the detection method the organism choice sets
// (-1 for others).
std::string OrganismShortName(int organism);
int OrganismSnrTenths(int organism);
int OrganismMethod(int organism);

// x with one decimal ("0.0"), the decimal sign given.
std::string FormatOneDecimal(double x, std::string_view decimalSign);
// "Detection Mode1, C.elegans [snr 1.8]".
std::string DetectionSummary(int method, int organism, int snrTenths, std::string_view decimalSign);
// The SNR threshold in tenths as a plain decimal number: 18 -> "1.8", 20 -> "2".
std::string PlainSnrText(int snrTenths);

// The number at the start of a text, a decimal comma read as a point; an
// empty or non-numeric text is 0.
double TextNumber(std::string_view text);

// The acquisition lapse typed: the value kept and the text the box must show
// instead of what was typed (none when it keeps the typed text).
struct BoxRule {
    int16_t value = 0;
    std::optional<std::string> replaceText;
};
BoxRule LapseRule(std::string_view text);
// The real-time buffer when its box loses the focus: outside 200..10000 the
// box shows "200".
BoxRule BufferRule(std::string_view text);
// Sample rate and DSP interval: the rounded value; a value beyond 16 bits
// keeps `previous`.
int16_t WholeNumberRule(std::string_view text, int16_t previous);

// The SNR box's text reformatted with one decimal when it is a number
// (written with "." or the decimal sign); other text unchanged.
std::string ReformatSnrText(std::string_view text, std::string_view decimalSign);
// The check of the SNR box when it loses the focus, for the organism chosen
// in the list (-1 none).
struct SnrCheck {
    bool accepted = false;
    int16_t tenths = 0;         // accepted: the value to store
    std::string message;        // rejected: the message to show
    std::optional<int16_t> defaultTenths;  // rejected with an organism: its default
};
SnrCheck CheckSnr(std::string_view text, int organism);

// The three lists of the parameter frame, in index order.
const std::vector<std::string>& AcquisitionModeItems();
const std::vector<std::string>& DetectionMethodItems();
const std::vector<std::string>& OrganismItems();

}  // namespace vondrel::setup
