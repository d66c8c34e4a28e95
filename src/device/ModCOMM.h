// The serial port layer: the only code that touches the instrument's port.
//
// A table of 16 ports addressed by port number 1..16. Every operation reports
// through its return code and, on failure, through the shared error state
// g_comm_error_code / g_comm_error_source / g_comm_error_text, which names the
// failing operation and the system call ("CommOpen (SetCommState)") and holds
// the system's message (strerror). A success never clears it.
//
// The port is a tty opened for exclusive use, set to raw 8-bit mode at the
// speed of the settings text. Reads follow the designed time-outs (interval
// 100 ms, total 200 ms per read call) and writes allow 1000 ms per byte; all
// of them pass through the time scale so tests can shrink them (reads through
// platform::ScaledReplyTimeoutMs, writes through platform::ScaledMs).
//
// "COM" + n names <program folder>/ports/COMn when that entry exists (a link
// to a USB adapter, to the simulated instrument's pseudo-terminal, ...), else
// /dev/ttyUSB<n-1>. Any other device name is used as a path.
//
// Nothing written is ever thrown away: a flush discards received bytes only,
// and a close waits until what was written has gone out. A hang-up (the device node gone: USB adapter unplugged, simulated
// instrument ended) closes the port and marks it lost; when it is the
// instrument's port g_com_port, the program is no longer connected
// (g_connected := 0) and the next connect finds the instrument again.
#pragma once

#include <termios.h>

#include <array>
#include <cstdint>
#include <string>

namespace vondrel {

inline constexpr int kCommPortCount = 16;
inline constexpr int kCommReceiveBuffer = 512;  // bytes per read call

// Designed time-outs in milliseconds (before the time scale).
inline constexpr int kReadIntervalTimeoutMs = 100;
inline constexpr int kReadTotalConstantMs = 200;
inline constexpr int kWriteTotalMultiplierMs = 1000;
inline constexpr int kReadTries = 5;
inline constexpr int kReadRetryPauseMs = 5;

// CommSetLine line numbers.
inline constexpr int16_t kLineBreak = 1;
inline constexpr int16_t kLineDtr = 2;
inline constexpr int16_t kLineRts = 3;

struct CommPortRecord {
    int32_t handle = -1;        // file descriptor; -1 after a failed open
    int16_t open = 0;           // -1 while the port counts as open
    termios settings{};         // line settings read by GetCommState, applied by SetCommState
    std::array<int, 5> line_errors{};  // line-error counters at the last clear (frame, overrun, parity, break, buffer overrun)
    int16_t lost = 0;           // -1 after a hang-up closed the port, until the next open or close
};

// Records 0..15 for ports 1..16.
inline std::array<CommPortRecord, kCommPortCount> g_comm_port_record{};

inline int32_t g_comm_error_code = 0;
inline std::string g_comm_error_source;
inline std::string g_comm_error_text;

int32_t CommOpen(int16_t port, const std::string& deviceName, const std::string& settings);
int32_t CommClose(int16_t port);
// Discards the bytes received and not yet read; bytes written still go out.
int32_t CommFlush(int16_t port);
// True when a hang-up closed the port and it has been neither opened nor
// closed since.
bool CommPortLost(int16_t port);
// Replaces data with the bytes received (at most n) and returns their count.
int32_t CommRead(int16_t port, std::string& data, int32_t n);
// Returns the number of bytes written, -1 when the write failed.
int32_t CommWrite(int16_t port, const std::string& data);
// line 1 break, 2 DTR, 3 RTS; a non-zero state sets the line, 0 clears it.
int32_t CommSetLine(int16_t port, int16_t line, int16_t state);
std::string CommErrorText(int32_t code);
// Store the last system error (errno) with `source`; return the code.
int32_t RecordDllError(const std::string& source);
// As RecordDllError, then clears the port's line errors and appends
// "  COMM Error Flags = " and the flags in upper-case hexadecimal.
int32_t RecordCommError(CommPortRecord& record, const std::string& source);

// The device path for a device name ("COM4" -> <program folder>/ports/COM4 or
// /dev/ttyUSB3).
std::string ComDevicePath(const std::string& deviceName);

}  // namespace vondrel
