// Finding the instrument: the probe of the configured port, the scan of
// COM1..COM15, the typed port number as a last resort, and the
// identification exchange.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vondrel {

// The identifier the instrument answered (10..250); 0 when the last try failed.
inline int16_t g_device_serial = 0;

// Port settings and device name used for every open of the instrument's port.
std::string DevicePortSettings();           // "baud=1000000 parity=N data=8 stop=1"
std::string DevicePortName(int port);       // "COM" + port

// Sends the identification frame on `port` (RTS and DTR raised around it),
// waits 5 ms and reads two bytes: identifier = first * 255 + second, with
// second = 0 when only one came, -1 when none came.
void QueryDeviceId(int16_t port, int32_t& identifier);

// Finds the instrument and leaves its port open for the connection.
// Results: g_com_port, g_device_serial, g_offline (0 found, -1 offline).
// When the scan finds nothing the user is asked for a port number, unless
// `askForPort` is false (an unattended run, where no box may wait): it then
// ends offline at once.
void OpenDevicePort(bool askForPort = true);

// The main window's progress label (lbl_autochannel). The window installs a
// sink that shows the caption and repaints at once; without one the text is
// only kept.
void SetAutoChannelCaption(const std::string& text);
const std::string& AutoChannelCaptionText();
void SetAutoChannelCaptionSink(std::function<void(const std::string&)> sink);

}  // namespace vondrel
