#include "tools/lab/cameras_events.h"

namespace orvex::lab {

Json::Value FaultsJson(const CameraFaults& f) {
    Json::Value out(Json::objectValue);
    out["refuseLogin"] = f.refuseLogin;
    out["wrongPassword"] = f.wrongPassword;
    out["silent"] = f.silent;
    out["absent"] = f.absent;
    out["delayMs"] = f.delayMs;
    out["failItem"] = f.failItem;
    out["dropOnItem"] = f.dropOnItem;
    out["forgetItem"] = f.forgetItem;
    out["failRead"] = f.failRead;
    return out;
}

Json::Value CountersJson(const std::string& serial, const CameraCounters& c) {
    Json::Value out;
    out["event"] = "counters";
    out["serial"] = serial;
    out["connections"] = c.connections;
    out["logins"] = c.logins;
    out["failedLogins"] = c.failedLogins;
    out["logouts"] = c.logouts;
    out["configReads"] = c.configReads;
    out["rangeReads"] = c.rangeReads;
    out["wifiReads"] = c.wifiReads;
    out["setsAccepted"] = c.setsAccepted;
    out["setsRefused"] = c.setsRefused;
    return out;
}

}  // namespace orvex::lab
