// The experiment description sent to the annotation database and the chat
// service, and the handling of their replies. Plain text work, no network:
// the documents are built byte for byte and the reply is scanned as the
// services answer (first "content" key anywhere, escapes undone in one pass).
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace vondrel::web {

// The texts the setup window shows at the moment of a query's click.
struct ExperimentForm {
    std::string lapse;     // Txtlapse
    std::string organism;  // Cmb_organism's text
    bool strainGlobal = true, orgGlobal = true, bufferGlobal = true;  // the three global boxes ticked
    std::string globalStrain, globalOrgnum, globalBuffer;
    struct Row {
        std::string group, compound, conc, strain, org, buffer;
    };
    std::array<Row, 6> rows;
};

// Compact JSON of the experiment: members in their fixed order, rows with an
// empty group box left out, every text value escaped.
std::string ExperimentJson(const ExperimentForm& form);

inline constexpr std::string_view kChatModel = "gpt-4.1-nano";
inline constexpr std::string_view kChatInstruction =
    "De acuerdo al siguiente de experimento, provee un resumen y verifica el uso de controles positivos y "
    "negativos correctos. Provee una respuesta breve (maximo 500 caracteres):";

// The chat request around an experiment document.
std::string ChatCompletionRequest(const std::string& experimentJson);

// A number value: the leading number of the text ("35abc" -> 35, "" -> 0),
// shortest form with "." and no decimal point for a whole number.
std::string JsonNumber(std::string_view text);

// JSON string escape of UTF-8 text; the result is ASCII. Characters outside
// 32..126 without a short escape become \u and four upper-case hex digits per
// UTF-16 unit. A byte outside a valid UTF-8 sequence counts as its
// Windows-1252 character.
std::string EscapeJsonString(std::string_view text);

// Undoes \\ \/ \b \f \n \r \t and \" in one left-to-right pass; \u escapes,
// unknown escapes and a final lone backslash stay as they are.
std::string UnescapeJsonString(std::string_view text);

// The unescaped string value of the first "content" key of a reply,
// "(no encontrado)" without the key, "(incompleto)" without a complete string.
std::string ObtenerContentDesdeRespuesta(std::string_view reply);

// Repairs UTF-8 that was read byte by byte as Windows-1252 (the common
// Spanish letters, quotes, dashes, ellipsis, mu); also leaves the result in
// `text`.
std::string CorregirCaracteresUTF8MalInterpretados(std::string& text);

// Reply bytes as UTF-8 text: valid UTF-8 sequences kept, every other byte
// taken as its Windows-1252 character.
std::string DecodeReplyBytes(std::string_view bytes);

}  // namespace vondrel::web
