#include "device/DevicePort.h"

#include <exception>

#include "device/COM_Module.h"
#include "device/ModCOMM.h"
#include "device/ReplyFormats.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/Numbers.h"
#include "store/Config.h"
#include "store/Globals.h"
#include "store/StatusLine.h"

namespace vondrel {

namespace {

std::string g_auto_channel_caption;
std::function<void(const std::string&)> g_auto_channel_sink;

constexpr int kLastScannedPort = 15;
constexpr int kIdTries = 2;

// Opens a port with the instrument's settings. A failed open is closed at
// once: an open that failed after the device was opened would otherwise
// leave the port marked "in use" until the program ends.
bool OpenPort(int16_t port) {
    if (CommOpen(port, DevicePortName(port), DevicePortSettings()) == 0) return true;
    if (port >= 1 && port <= kCommPortCount) CommClose(port);
    return false;
}

// Up to two identification tries on an open port; the identifier when one is
// valid, else 0.
int32_t IdentifyWithRetry(int16_t port) {
    for (int t = 0; t < kIdTries; ++t) {
        platform::SleepMs(10);
        int32_t id = -1;
        QueryDeviceId(port, id);
        if (IsValidDeviceId(id)) return id;
    }
    return 0;
}

void ShowOpening(int port) {
    SetAutoChannelCaption("Opening Port [" + std::to_string(port) + "]");
    platform::PumpEvents();
    platform::SleepMs(100);
}

void Run(bool askForPort) {
    bool found = false;

    // Probe of the configured port: one identification try.
    const int16_t configured = g_com_port;
    ShowOpening(configured);
    if (!OpenPort(configured)) {
        g_com_port = 0;
    } else {
        int32_t id = -1;
        QueryDeviceId(configured, id);
        if (IsValidDeviceId(id)) {
            found = true;
        } else {
            g_com_port = 0;
            id = 0;
        }
        g_device_serial = static_cast<int16_t>(id);
        CommClose(configured);
    }

    // Scan, from port 1 after a failed probe.
    while (!found && g_com_port < kLastScannedPort) {
        g_com_port = static_cast<int16_t>(g_com_port + 1);
        const int16_t port = g_com_port;
        ShowOpening(port);
        if (!OpenPort(port)) continue;
        const int32_t id = IdentifyWithRetry(port);
        g_device_serial = static_cast<int16_t>(id);
        if (id != 0) {
            found = true;
            SetStatusLine("Status = Connected on COM[ " + std::to_string(port) + " ]");
            SetAutoChannelCaption("Connected on COM[ " + std::to_string(port) + " ]");
        }
        CommClose(port);
    }

    if (found) {
        g_offline = 0;
        // Reopen for the rest of the connection.
        if (!OpenPort(g_com_port)) g_offline = -1;
        return;
    }

    // Last resort: the user types a port number or goes offline.
    if (!askForPort) {
        g_offline = -1;
        return;
    }
    const std::string answer = platform::InputBox(
        "COM(" + std::to_string(g_com_port) + ") PORT ERROR. Type New Port number or <Enter> to go Offline");
    if (answer.empty()) {
        g_offline = -1;
        return;
    }
    double number = 0;
    if (!ParseNumber(answer, number)) {
        g_offline = -1;
        return;
    }
    const int16_t typed = ToInt16(number);
    if (typed >= 16 || typed <= 0) {
        g_offline = -1;
        return;
    }
    g_com_port = typed;
    // The typed port counts only when the instrument identifies itself there;
    // it then stays open for the connection and is saved for the next start.
    if (OpenPort(typed)) {
        const int32_t id = IdentifyWithRetry(typed);
        g_device_serial = static_cast<int16_t>(id);
        if (id != 0) {
            SaveConfig();
            g_offline = 0;
            return;
        }
        CommClose(typed);
    }
    platform::MsgBox("Invalid Port Number. Offline Mode");
    g_offline = -1;
}

}  // namespace

std::string DevicePortSettings() { return std::string("baud=") + "1000000" + " parity=N data=8 stop=1"; }

std::string DevicePortName(int port) { return "COM" + std::to_string(port); }

void QueryDeviceId(int16_t port, int32_t& identifier) {
    // A pseudo-terminal has no modem lines; the results are not needed.
    CommSetLine(port, kLineRts, -1);
    CommSetLine(port, kLineDtr, -1);
    CommWrite(port, *BuildDeviceFrame(kCmdIdentify, 0, kFactoryPage));
    platform::SleepMs(5);
    std::string reply;
    CommRead(port, reply, 2);
    identifier = DecodeIdentification(reply);
    CommSetLine(port, kLineRts, 0);
    CommSetLine(port, kLineDtr, 0);
}

void OpenDevicePort(bool askForPort) {
    try {
        Run(askForPort);
    } catch (const std::exception&) {
        g_offline = -1;
    }
}

void SetAutoChannelCaption(const std::string& text) {
    g_auto_channel_caption = text;
    if (g_auto_channel_sink) g_auto_channel_sink(text);
}

const std::string& AutoChannelCaptionText() { return g_auto_channel_caption; }

void SetAutoChannelCaptionSink(std::function<void(const std::string&)> sink) {
    g_auto_channel_sink = std::move(sink);
}

}  // namespace vondrel
