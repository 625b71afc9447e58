// LabCamera: one camera of the lab: its password, channels with their records and ranges, its
// Wi-Fi list, its faults, and how it answers each request of the device protocol.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/rprov/rprov_records.h"
#include "platform/rprov/rprov_wire.h"
#include "tools/lab/cameras_store.h"

namespace orvex::lab {

// What can go wrong with a camera, set from the command line, a fleet file or a command.
struct CameraFaults {
    bool refuseLogin = false;    // every login is refused (LOGIN_REFUSED)
    bool wrongPassword = false;  // the camera's password is not the one listed for it
    bool silent = false;         // connections are accepted but nothing is ever answered
    bool absent = false;         // nothing listens at the camera's address
    int32_t delayMs = 0;         // every answer waits this long
    int32_t failItem = 0;        // this item code is refused with ITEM_FAILED
    int32_t dropOnItem = 0;      // a set of this item closes the connection, unanswered
    int32_t forgetItem = 0;      // a set of this item is answered as applied but not kept
    std::string failRead;        // "config", "range" or "wifi": that read fails
    bool operator==(const CameraFaults&) const = default;
};

struct CameraSetup {
    std::string serial;
    std::string name;  // device name reported at login; the serial when empty
    std::string address = "127.0.0.1";
    int32_t port = 8000;  // 0 = a free port chosen when the camera starts
    std::string password;
    std::vector<int32_t> channels{1};  // channel numbers served
    int32_t wifiNetworks = 8;          // networks it sees (above 20 is allowed)
    CameraFaults faults;
};

// Requests a camera has answered, by kind.
struct CameraCounters {
    int logins = 0;        // successful logins
    int failedLogins = 0;  // refused or wrong proof
    int logouts = 0;
    int configReads = 0;
    int rangeReads = 0;
    int wifiReads = 0;
    int setsAccepted = 0;
    int setsRefused = 0;
    int connections = 0;  // counted by the server
};

// One connection's login state.
struct CameraSession {
    std::vector<uint8_t> clientNonce;
    std::vector<uint8_t> cameraNonce;
    bool loggedIn = false;
};

// What the server does with a request.
struct CameraOutcome {
    enum Kind { kReply, kSilent, kDrop } kind = kReply;
    std::vector<uint8_t> frame;  // the reply frame for kReply
    int32_t delayMs = 0;         // wait before sending
};

// Safe to use from several connection threads: one lock guards the camera's state.
class LabCamera {
  public:
    LabCamera(CameraSetup setup, const CameraStateFolder& folder);

    // Loads each channel's record from the state folder, or makes it and stores it.
    bool open(std::string& error);

    // The answer to one request on a connection whose state is `session`.
    CameraOutcome handle(CameraSession& session, const rprov::FrameHeader& header,
                         std::span<const uint8_t> body);

    const CameraSetup& setup() const { return setup_; }
    CameraFaults faults() const;
    void setFaults(const CameraFaults& faults);
    // The channel's current record; null for a channel the camera does not serve.
    std::unique_ptr<DeviceConfig> record(int32_t channelNo) const;
    CameraCounters counters() const;
    void countConnection();

  private:
    struct Channel {
        std::unique_ptr<DeviceConfig> record;
        ConfigRange range;
    };

    std::string password() const;  // with the lock held
    std::vector<uint8_t> login(CameraSession& session, const rprov::FrameHeader& header,
                               std::span<const uint8_t> body);
    std::vector<uint8_t> read(const rprov::FrameHeader& header, std::span<const uint8_t> body);
    std::vector<uint8_t> set(const rprov::FrameHeader& header, const rprov::SetConfigRequest& r);

    const CameraSetup setup_;
    const CameraStateFolder& folder_;
    const WifiScanList wifi_;
    mutable std::mutex lock_;
    CameraFaults faults_;
    std::map<int32_t, Channel> channels_;
    CameraCounters counters_;
};

}  // namespace orvex::lab
