#include "reports/Xlsx.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <new>
#include <optional>
#include <system_error>

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "reports/Zip.h"

namespace fs = std::filesystem;

namespace vondrel::reports {
namespace {

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
constexpr const char* kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kDocRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kPackageRelNs = "http://schemas.openxmlformats.org/package/2006/relationships";

std::string Relationship(const char* id, const std::string& type, const char* target) {
    return std::string("<Relationship Id=\"") + id + "\" Type=\"" + type + "\" Target=\"" + target + "\"/>";
}

void AppendDecimal(std::string& out, uint64_t v) {
    char buf[24];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v > 0);
    while (n > 0) out.push_back(buf[--n]);
}

// Sub-folders of the package, in the order they are made.
constexpr const char* kPackageFolders[] = {"xl", "xl/worksheets", "xl/_rels", "_rels", "docProps"};

void MakeFolderOrThrow(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0) ThrowFileError(errno, path);
}

// A new folder that only this user can reach, in the system's temporary folder.
std::string MakePrivateFolder() {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / "vondrel-xlsx-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) ThrowFileError(errno, pattern);
    return pattern;
}

}  // namespace

int32_t SharedStrings::Use(std::string_view text) {
    ++uses_;
    if (const auto it = index_.find(text); it != index_.end()) return it->second;
    const auto index = static_cast<int32_t>(texts_.size());
    index_.emplace(std::string(text), index);
    texts_.emplace_back(text);
    return index;
}

int32_t SharedStrings::Find(std::string_view text) const {
    const auto it = index_.find(text);
    return it == index_.end() ? -1 : it->second;
}

int32_t FindSharedString(const SharedStrings& table, std::string_view text) { return table.Find(text); }

namespace {
// FormatNumberCell's text appended to `out`. Whole numbers below 10^15, the
// counts and minutes of a report, are written directly; FormatReal writes them
// the same way.
void AppendNumberCell(std::string& out, double value) {
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<int64_t>(value));
        out.append(buf, r.ptr);
        return;
    }
    for (char c : FormatReal(value)) out.push_back(c == ',' ? '.' : c);
}
}  // namespace

std::string FormatNumberCell(double value) {
    std::string s;
    AppendNumberCell(s, value);
    return s;
}

bool IsLeadingZeroText(std::string_view text) {
    const std::string_view t = TrimBlanks(text);
    return t.size() > 1 && t[0] == '0' && t[1] != ',' && t[1] != '.';
}

std::string EscapeXml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            // XML 1.0 has no way to write these, not even as references.
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') break;
            out.push_back(ch);
        }
    }
    return out;
}

std::string FormatColumnLetters(uint32_t column) {
    std::string letters;
    while (column > 0) {
        letters.insert(letters.begin(), static_cast<char>('A' + (column - 1) % 26));
        column = (column - 1) / 26;
    }
    return letters;
}

void WriteUtf8TextFile(const std::string& path, std::string_view text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) ThrowFileError(errno, path);
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : EIO;
            ::close(fd);
            ThrowFileError(err, path);
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) ThrowFileError(errno, path);
}

bool XlsxFolderExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec) && !ec;
}

void DeleteFolderRecursive(const std::string& folderPath) {
    const std::string path = StripTrailingBackslash(folderPath);
    std::error_code ec;
    const auto self = fs::symlink_status(path, ec);
    if (ec || !fs::exists(self)) return;
    if (!fs::is_directory(self)) {
        ::unlink(path.c_str());  // a link (or file) goes itself, its target stays
        return;
    }
    // A read-only folder would keep its entries.
    ::chmod(path.c_str(), static_cast<mode_t>(self.permissions() & fs::perms::mask) | S_IRWXU);
    // Every name first, then the deleting.
    std::vector<std::string> files, folders;
    for (fs::directory_iterator it(path, ec), end; it != end; it.increment(ec)) {
        if (ec) break;
        std::error_code entryError;
        const auto st = it->symlink_status(entryError);
        if (entryError) continue;  // an entry that cannot be asked about is skipped
        (fs::is_directory(st) ? folders : files).push_back(it->path().string());
    }
    if (ec) throw WorkbookError(ec.value(), ec.message() + ": " + path, "DeleteFolderRecursive");
    for (const auto& f : files) {
        // Clearing a read-only mark; never through a link, which would change its target.
        struct stat st {};
        if (::lstat(f.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::chmod(f.c_str(), (st.st_mode & 07777) | S_IWUSR);
        ::unlink(f.c_str());
    }
    for (const auto& sub : folders) DeleteFolderRecursive(sub);
    ::rmdir(path.c_str());
}

namespace {

// The worksheet's text into `x`; `flush` is called with the text so far after
// each row once it has grown past `flushAt`, and empties it.
template <typename Flush>
void EmitWorksheet(const CellGrid& grid, SharedStrings& strings, char decimal, std::string& x, size_t flushAt,
                   Flush flush) {
    x += kDeclaration;
    x += std::string("<worksheet xmlns=\"") + kMainNs + "\" xmlns:r=\"" + kDocRelNs + "\"><sheetData>\r\n";
    std::vector<std::string> letters(grid.Cols() + 1);
    for (size_t k = 1; k <= grid.Cols(); ++k) letters[k] = FormatColumnLetters(static_cast<uint32_t>(k));
    std::string row, special;
    for (size_t j = 1; j <= grid.Rows(); ++j) {
        row.clear();
        AppendDecimal(row, j);
        x += "<row r=\"";
        x += row;
        x += "\">";
        for (size_t k = 1; k <= grid.Cols(); ++k) {
            x += "<c r=\"";
            x += letters[k];
            x += row;
            x += '"';
            std::optional<double> number;
            std::string_view text;
            if (grid.IsNumber(j, k)) {
                const double v = grid.Number(j, k);
                if (std::isfinite(v)) number = v;
                else text = special = FormatReal(v);  // no number a sheet can hold
            } else {
                text = grid.Text(j, k);
                if (text.empty()) {
                    x += "/>";
                    continue;
                }
                if (!IsLeadingZeroText(text)) number = ParseLocaleNumber(text, decimal);
            }
            if (number) {
                x += "><v>";
                AppendNumberCell(x, *number);
            } else {
                x += " t=\"s\"><v>";
                AppendDecimal(x, static_cast<uint64_t>(strings.Use(text)));
            }
            x += "</v></c>";
        }
        x += "</row>\r\n";
        if (x.size() >= flushAt) flush(x);
    }
    x += "</sheetData></worksheet>";
}

}  // namespace

std::string BuildWorksheetXml(const CellGrid& grid, SharedStrings& strings, char decimal) {
    std::string x;
    EmitWorksheet(grid, strings, decimal, x, SIZE_MAX, [](std::string&) {});
    return x;
}

void WriteWorksheetXml(const std::string& path, const CellGrid& grid, SharedStrings& strings, char decimal) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) ThrowFileError(errno, path);
    struct Closer {
        int fd;
        ~Closer() {
            if (fd >= 0) ::close(fd);
        }
    } closer{fd};
    auto writeAll = [&](std::string& x) {
        size_t done = 0;
        while (done < x.size()) {
            const ssize_t n = ::write(fd, x.data() + done, x.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) ThrowFileError(n < 0 ? errno : EIO, path);
            done += static_cast<size_t>(n);
        }
        x.clear();
    };
    constexpr size_t kChunk = 1 << 20;
    std::string x;
    x.reserve(kChunk + (1 << 16));
    EmitWorksheet(grid, strings, decimal, x, kChunk, writeAll);
    writeAll(x);
    closer.fd = -1;
    if (::close(fd) != 0) ThrowFileError(errno, path);
}

std::string BuildSharedStringsXml(const SharedStrings& strings) {
    std::string x = kDeclaration;
    x += std::string("<sst xmlns=\"") + kMainNs + "\" count=\"";
    AppendDecimal(x, strings.Uses());
    x += "\" uniqueCount=\"";
    AppendDecimal(x, strings.Texts().size());
    x += "\">\r\n";
    for (const auto& t : strings.Texts()) {
        x += "<si><t xml:space=\"preserve\">";
        x += EscapeXml(t);
        x += "</t></si>\r\n";
    }
    x += "</sst>";
    return x;
}

std::string StylesXml() {
    return std::string(kDeclaration) + "<styleSheet xmlns=\"" + kMainNs + "\">" +
           "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
           "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
           "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
           "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
           "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
           "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"
           "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
           "</styleSheet>";
}

std::string WorkbookXml() {
    return std::string(kDeclaration) + "<workbook xmlns=\"" + kMainNs + "\" xmlns:r=\"" + kDocRelNs + "\">" +
           "<sheets><sheet name=\"Hoja1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
}

std::string WorkbookRelsXml() {
    const std::string types = std::string(kDocRelNs) + "/";
    return std::string(kDeclaration) + "<Relationships xmlns=\"" + kPackageRelNs + "\">" +
           Relationship("rId1", types + "worksheet", "worksheets/sheet1.xml") +
           Relationship("rId2", types + "styles", "styles.xml") +
           Relationship("rId3", types + "sharedStrings", "sharedStrings.xml") + "</Relationships>";
}

std::string PackageRelsXml() {
    return std::string(kDeclaration) + "<Relationships xmlns=\"" + kPackageRelNs + "\">" +
           Relationship("rId1", std::string(kDocRelNs) + "/officeDocument", "xl/workbook.xml") +
           Relationship("rId2", std::string(kPackageRelNs) + "/metadata/core-properties", "docProps/core.xml") +
           Relationship("rId3", std::string(kDocRelNs) + "/extended-properties", "docProps/app.xml") +
           "</Relationships>";
}

std::string CorePropertiesXml() {
    return std::string(kDeclaration) + "<cp:coreProperties " +
           "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
           "xmlns:dcterms=\"http://purl.org/dc/terms/\" "
           "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">" +
           "<dc:title>Export " + kExporterName + "</dc:title><dc:creator>" + kExporterName +
           "</dc:creator></cp:coreProperties>";
}

std::string AppPropertiesXml() {
    return std::string(kDeclaration) +
           "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
           "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">" +
           "<Application>" + kExporterName + " Exporter</Application></Properties>";
}

std::string ContentTypesXml() {
    struct Override {
        const char* part;
        const char* type;
    };
    static const Override overrides[] = {
        {"/xl/workbook.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"},
        {"/xl/worksheets/sheet1.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"},
        {"/xl/sharedStrings.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"},
        {"/xl/styles.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"},
        {"/docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml"},
        {"/docProps/app.xml", "application/vnd.openxmlformats-officedocument.extended-properties+xml"},
    };
    std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
    for (const auto& o : overrides) x += std::string("<Override PartName=\"") + o.part + "\" ContentType=\"" + o.type + "\"/>";
    x += "</Types>";
    return x;
}

void WriteXlsxParts(const CellGrid& grid, const std::string& folder) {
    for (const char* sub : kPackageFolders) MakeFolderOrThrow(platform::JoinPath(folder, sub));
    auto save = [&](const char* name, const std::string& text) { WriteUtf8TextFile(platform::JoinPath(folder, name), text); };
    SharedStrings strings;
    WriteWorksheetXml(platform::JoinPath(folder, "xl/worksheets/sheet1.xml"), grid, strings, DecimalSign());
    save("xl/sharedStrings.xml", BuildSharedStringsXml(strings));
    save("xl/styles.xml", StylesXml());
    save("xl/workbook.xml", WorkbookXml());
    save("xl/_rels/workbook.xml.rels", WorkbookRelsXml());
    save("_rels/.rels", PackageRelsXml());
    save("docProps/core.xml", CorePropertiesXml());
    save("docProps/app.xml", AppPropertiesXml());
    save("[Content_Types].xml", ContentTypesXml());
}

bool WriteXlsxFromArray(const CellGrid& grid, const std::string& outputPath) {
    // The private work folder goes whatever happens.
    struct WorkFolder {
        std::string path;
        ~WorkFolder() {
            if (path.empty()) return;
            try {
                DeleteFolderRecursive(path);
            } catch (const WorkbookError&) {
            }
        }
    } work;
    try {
        if (grid.Rows() > kXlsxMaxRows || grid.Cols() > kXlsxMaxCols)
            throw WorkbookError(EFBIG, "a worksheet holds at most 1048576 rows and 16384 columns, the table has " +
                                           std::to_string(grid.Rows()) + " rows and " + std::to_string(grid.Cols()) +
                                           " columns: " + outputPath);
        work.path = MakePrivateFolder();
        WriteXlsxParts(grid, work.path);
        ZipFolderStored(work.path, outputPath);
        return true;
    } catch (const WorkbookError& e) {
        platform::MsgBox("Error al generar XLSX: " + std::to_string(e.number) + " - " + e.description);
    } catch (const std::bad_alloc&) {
        platform::MsgBox("Error al generar XLSX: " + std::to_string(ENOMEM) + " - " +
                         std::generic_category().message(ENOMEM) + ": " + outputPath);
    }
    return false;
}

}  // namespace vondrel::reports
