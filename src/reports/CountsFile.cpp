#include "reports/CountsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vondrel::reports {

std::optional<std::string> ReadWholeBinary(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string data(static_cast<size_t>(st.st_size), '\0');
    size_t got = 0;
    while (got < data.size()) {
        const ssize_t r = ::read(fd, data.data() + got, data.size() - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (r == 0) break;  // the file shrank meanwhile: keep what was there
        got += static_cast<size_t>(r);
    }
    ::close(fd);
    data.resize(got);
    return data;
}

}  // namespace vondrel::reports
