#include "device/ModCOMM.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/Events.h"
#include "platform/ProgramFolder.h"
#include "store/Globals.h"

namespace vondrel {

namespace {

using Clock = std::chrono::steady_clock;

bool ValidPort(int16_t port) { return port >= 1 && port <= kCommPortCount; }
CommPortRecord& Record(int16_t port) { return g_comm_port_record[static_cast<size_t>(port - 1)]; }

// A failure that is not a system call's: the bare operation name as source.
int32_t InternalFailure(const char* operation, int32_t code, const std::string& text) {
    g_comm_error_code = code;
    g_comm_error_source = operation;
    g_comm_error_text = text;
    return code;
}

int32_t BadPort(const char* operation, int16_t port) {
    return InternalFailure(operation, EINVAL, "Port number " + std::to_string(port) + " is outside 1..16");
}

// The errors of a device that has gone away (a tty hung up, an adapter
// unplugged): the port will not work again until it is opened again.
bool IsHangUpError(int e) { return e == EIO || e == ENXIO || e == ENODEV; }

// Closes a port whose device has gone and marks it lost; the error recorded
// before stays. When it is the instrument's port the program is no longer
// connected, so the next connect looks for the instrument again.
void HangUp(int16_t port) {
    CommPortRecord& rec = Record(port);
    if (!rec.open) return;
    close(rec.handle);
    rec.open = 0;
    rec.lost = -1;
    if (port == g_com_port) g_connected = 0;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned mj = major(st.st_rdev);
    return mj >= 136 && mj <= 143;  // Unix98 pseudo-terminal slaves
}

speed_t SpeedOf(long baud) {
    switch (baud) {
        case 110: return B110;
        case 300: return B300;
        case 600: return B600;
        case 1200: return B1200;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        case 230400: return B230400;
        case 460800: return B460800;
        case 500000: return B500000;
        case 921600: return B921600;
        case 1000000: return B1000000;
        case 2000000: return B2000000;
        case 3000000: return B3000000;
        case 4000000: return B4000000;
        default: return B0;
    }
}

// Builds the line settings from a text such as
// "baud=1000000 parity=N data=8 stop=1": raw 8-bit-clean mode, no flow
// control, reads that never block (the time-outs are ours). False on an
// unknown key or an unsupported value.
bool BuildLineSettings(const std::string& text, termios& t) {
    termios n = t;
    cfmakeraw(&n);
    n.c_cflag |= CLOCAL | CREAD;
    n.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSTOPB | PARENB | PARODD | CMSPAR | CSIZE);
    n.c_cflag |= CS8;
    n.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    n.c_cc[VMIN] = 0;
    n.c_cc[VTIME] = 0;
    bool anyKey = false;
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] == ' ') ++pos;
        if (pos >= text.size()) break;
        size_t end = text.find(' ', pos);
        if (end == std::string::npos) end = text.size();
        const std::string item = Lower(text.substr(pos, end - pos));
        pos = end;
        const size_t eq = item.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 >= item.size()) return false;
        const std::string key = item.substr(0, eq), value = item.substr(eq + 1);
        anyKey = true;
        if (key == "baud") {
            if (value.find_first_not_of("0123456789") != std::string::npos || value.size() > 9) return false;
            const speed_t sp = SpeedOf(std::stol(value));
            if (sp == B0) return false;
            cfsetispeed(&n, sp);
            cfsetospeed(&n, sp);
        } else if (key == "parity") {
            if (value == "n") {
            } else if (value == "e") {
                n.c_cflag |= PARENB;
            } else if (value == "o") {
                n.c_cflag |= PARENB | PARODD;
            } else if (value == "m") {
                n.c_cflag |= PARENB | CMSPAR | PARODD;
            } else if (value == "s") {
                n.c_cflag |= PARENB | CMSPAR;
            } else {
                return false;
            }
        } else if (key == "data") {
            n.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
            if (value == "8") n.c_cflag |= CS8;
            else if (value == "7") n.c_cflag |= CS7;
            else if (value == "6") n.c_cflag |= CS6;
            else if (value == "5") n.c_cflag |= CS5;
            else return false;
        } else if (key == "stop") {
            if (value == "2") n.c_cflag |= CSTOPB;
            else if (value != "1") return false;
        } else {
            return false;
        }
    }
    if (!anyKey) return false;
    t = n;
    return true;
}

// Line-error counters of a real serial device; zeros where the driver keeps
// none (a pseudo-terminal).
std::array<int, 5> LineErrorCounters(int fd) {
    serial_icounter_struct ic {};
    if (fd < 0 || ioctl(fd, TIOCGICOUNT, &ic) != 0) return {};
    return {ic.frame, ic.overrun, ic.parity, ic.brk, ic.buf_overrun};
}

// One read call: waits up to the total time-out for the bytes, and once a
// byte has come, up to the interval time-out for each further byte.
// Returns false on a read failure (errno set); `got` counts the bytes read.
bool ReadOnce(int fd, char* buffer, int want, int& got) {
    got = 0;
    const auto start = Clock::now();
    const auto total = std::chrono::milliseconds(platform::ScaledReplyTimeoutMs(kReadTotalConstantMs));
    const auto interval = std::chrono::milliseconds(platform::ScaledReplyTimeoutMs(kReadIntervalTimeoutMs));
    auto lastByte = start;
    while (got < want) {
        auto deadline = start + total;
        if (got > 0) deadline = std::min(deadline, lastByte + interval);
        const auto now = Clock::now();
        const auto wait = deadline > now ? std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now)
                                         : std::chrono::nanoseconds(0);
        timespec ts{static_cast<time_t>(wait.count() / 1000000000), static_cast<long>(wait.count() % 1000000000)};
        pollfd p{fd, POLLIN, 0};
        const int pr = ppoll(&p, 1, &ts, nullptr);
        if (pr < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (pr == 0) return true;  // time-out
        if (p.revents & POLLIN) {
            const ssize_t r = read(fd, buffer + got, static_cast<size_t>(want - got));
            if (r > 0) {
                got += static_cast<int>(r);
                lastByte = Clock::now();
                continue;
            }
            if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
            if (r == 0 && (p.revents & POLLHUP)) {
                errno = EIO;
                return false;
            }
            continue;
        }
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {  // the other end has gone
            errno = EIO;
            return false;
        }
    }
    return true;
}

}  // namespace

std::string ComDevicePath(const std::string& deviceName) {
    if (deviceName.size() > 3 && deviceName.compare(0, 3, "COM") == 0 &&
        deviceName.find_first_not_of("0123456789", 3) == std::string::npos && deviceName.size() <= 8) {
        const std::string entry = platform::ProgramFolder() + "/ports/" + deviceName;
        struct stat st {};
        if (lstat(entry.c_str(), &st) == 0) return entry;
        const long n = std::stol(deviceName.substr(3));
        return "/dev/ttyUSB" + std::to_string(n - 1);
    }
    return deviceName;
}

std::string CommErrorText(int32_t code) {
    std::string text = std::strerror(code);
    const size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

int32_t RecordDllError(const std::string& source) {
    const int32_t code = errno;
    g_comm_error_code = code;
    g_comm_error_source = source;
    g_comm_error_text = CommErrorText(code);
    return code;
}

int32_t RecordCommError(CommPortRecord& record, const std::string& source) {
    const int32_t code = RecordDllError(source);
    // Windows-style line-error flags: 1 receive buffer overrun, 2 overrun,
    // 4 parity, 8 framing, 0x10 break; counted since the last clear.
    const std::array<int, 5> now = record.open ? LineErrorCounters(record.handle) : std::array<int, 5>{};
    const auto& before = record.line_errors;
    unsigned flags = 0;
    if (now[4] > before[4]) flags |= 0x1;
    if (now[1] > before[1]) flags |= 0x2;
    if (now[2] > before[2]) flags |= 0x4;
    if (now[0] > before[0]) flags |= 0x8;
    if (now[3] > before[3]) flags |= 0x10;
    record.line_errors = now;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", flags);
    g_comm_error_text += "  COMM Error Flags = ";
    g_comm_error_text += hex;
    return code;
}

int32_t CommOpen(int16_t port, const std::string& deviceName, const std::string& settings) {
    if (!ValidPort(port)) return BadPort("CommOpen", port);
    CommPortRecord& rec = Record(port);
    if (rec.open) return InternalFailure("CommOpen", -1, "Port in use.");

    // Exclusive open: the lock keeps out any other opener of ours, also a
    // process running as root; TIOCEXCL keeps out other programs on a real
    // serial device. A pseudo-terminal is left without TIOCEXCL, because its
    // mark would outlive a program that ends without closing (the simulator
    // keeps the terminal), and shut out the program's own restart.
    const std::string path = ComDevicePath(deviceName);
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        rec.handle = -1;
        return RecordDllError("CommOpen (CreateFile)");
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        rec.handle = -1;
        errno = EBUSY;
        return RecordDllError("CommOpen (CreateFile)");
    }
    if (isatty(fd) && !IsPseudoTerminal(fd)) ioctl(fd, TIOCEXCL);
    rec.handle = fd;
    rec.open = -1;
    rec.lost = 0;
    rec.line_errors = LineErrorCounters(fd);

    // Queues of the device driver are fixed; nothing to size (SetupComm).
    // Only what was received before is cleared. Discarding output could
    // reach a frame written just before a close and this reopen that the
    // instrument has not read yet (on a pseudo-terminal an output flush
    // empties the other side's queue).
    if (tcflush(fd, TCIFLUSH) != 0) return RecordDllError("CommOpen (PurgeComm)");
    // The time-outs are the constants above, applied by CommRead/CommWrite.
    if (tcgetattr(fd, &rec.settings) != 0) return RecordDllError("CommOpen (GetCommState)");
    termios wanted = rec.settings;
    if (!BuildLineSettings(settings, wanted)) {
        errno = EINVAL;
        return RecordDllError("CommOpen (BuildCommDCB)");
    }
    rec.settings = wanted;
    if (tcsetattr(fd, TCSANOW, &rec.settings) != 0) return RecordDllError("CommOpen (SetCommState)");
    return 0;
}

int32_t CommClose(int16_t port) {
    if (!ValidPort(port)) return BadPort("CommClose", port);
    CommPortRecord& rec = Record(port);
    rec.lost = 0;  // closed on purpose now, whatever closed it before
    if (!rec.open) return 0;
    // The frames written go out before the port goes (the last one is often
    // the actuators-off frame); a device that has gone fails at once.
    tcdrain(rec.handle);
    ioctl(rec.handle, TIOCNXCL);
    const int r = close(rec.handle);
    // The descriptor is released even when close reports an error, so the
    // port no longer counts as open either way.
    rec.open = 0;
    if (r != 0) return RecordDllError("CommClose (CloseHandle)");
    return 0;
}

int32_t CommFlush(int16_t port) {
    if (!ValidPort(port)) return BadPort("CommFlush", port);
    CommPortRecord& rec = Record(port);
    if (!rec.open) {
        errno = EBADF;
        return RecordDllError("CommFlush (PurgeComm)");
    }
    // Only what was received is discarded: a frame written before the flush
    // (Stop's actuators-off frame) still goes out to the instrument.
    if (tcflush(rec.handle, TCIFLUSH) != 0) {
        const int32_t code = RecordDllError("CommFlush (PurgeComm)");
        if (IsHangUpError(code)) HangUp(port);
        return code;
    }
    return 0;
}

bool CommPortLost(int16_t port) { return ValidPort(port) && Record(port).lost != 0; }

int32_t CommRead(int16_t port, std::string& data, int32_t n) {
    data.clear();
    if (!ValidPort(port)) {
        BadPort("CommRead", port);
        return 0;
    }
    CommPortRecord& rec = Record(port);
    if (!rec.open) {
        errno = EBADF;
        RecordCommError(rec, "CommRead (ReadFile)");
        return 0;
    }
    if (n <= 0) return 0;
    char buffer[kCommReceiveBuffer];
    int32_t total = 0;
    int tries = 0;
    bool lastFailed = false;
    int lastErrno = 0;
    while (total < n && tries < kReadTries) {
        const int want = std::min<int32_t>(n - total, kCommReceiveBuffer);
        int got = 0;
        lastFailed = !ReadOnce(rec.handle, buffer, want, got);
        if (lastFailed) lastErrno = errno;
        data.append(buffer, static_cast<size_t>(got));
        total += got;
        if (lastFailed && IsHangUpError(lastErrno)) break;  // nothing more will come
        if (total < n) {
            ++tries;
            platform::SleepMs(kReadRetryPauseMs);
        }
    }
    if (lastFailed) {
        errno = lastErrno;
        RecordCommError(rec, "CommRead (ReadFile)");
        if (IsHangUpError(lastErrno)) HangUp(port);
    }
    if (total < n && rec.open) CommFlush(port);
    return total;
}

int32_t CommWrite(int16_t port, const std::string& data) {
    if (!ValidPort(port)) {
        BadPort("CommWrite", port);
        return 0;
    }
    CommPortRecord& rec = Record(port);
    if (!rec.open) {
        errno = EBADF;
        RecordCommError(rec, "CommWrite (WriteFile)");
        return -1;
    }
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(platform::ScaledMs(kWriteTotalMultiplierMs * static_cast<int>(std::min<size_t>(data.size(), 1000000))));
    size_t written = 0;
    while (written < data.size()) {
        const ssize_t w = write(rec.handle, data.data() + written, data.size() - written);
        if (w > 0) {
            written += static_cast<size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            const int32_t code = RecordCommError(rec, "CommWrite (WriteFile)");
            if (IsHangUpError(code)) HangUp(port);
            return -1;
        }
        // The output queue is full: wait for room until the write time-out,
        // then report what went out.
        const auto now = Clock::now();
        if (now >= deadline) break;
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now);
        timespec ts{static_cast<time_t>(wait.count() / 1000000000), static_cast<long>(wait.count() % 1000000000)};
        pollfd p{rec.handle, POLLOUT, 0};
        const int pr = ppoll(&p, 1, &ts, nullptr);
        if (pr < 0 && errno != EINTR) {
            RecordCommError(rec, "CommWrite (WriteFile)");
            return -1;
        }
        if (pr > 0 && (p.revents & POLLOUT) == 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            errno = EIO;
            RecordCommError(rec, "CommWrite (WriteFile)");
            HangUp(port);
            return -1;
        }
    }
    return static_cast<int32_t>(written);
}

int32_t CommSetLine(int16_t port, int16_t line, int16_t state) {
    if (!ValidPort(port)) return BadPort("CommSetLine", port);
    CommPortRecord& rec = Record(port);
    int r = -1;
    if (!rec.open) {
        errno = EBADF;
    } else if (line == kLineBreak) {
        r = ioctl(rec.handle, state ? TIOCSBRK : TIOCCBRK);
    } else if (line == kLineDtr || line == kLineRts) {
        int bits = line == kLineDtr ? TIOCM_DTR : TIOCM_RTS;
        r = ioctl(rec.handle, state ? TIOCMBIS : TIOCMBIC, &bits);
    } else {
        errno = EINVAL;
    }
    if (r != 0) {
        const int32_t code = RecordDllError("CommSetLine (EscapeCommFunction)");
        if (rec.open && IsHangUpError(code)) HangUp(port);
        return code;
    }
    return 0;
}

}  // namespace vondrel
