// The lab world's fleet: camera groups laid out like a small site (one large group, the rest
// even), some local and some platform cameras, a few whose password the studio has not
// confirmed, two cameras that are gone, one whose password was changed behind the studio and
// one that answers colour settings as applied but keeps its old colours; and ONVIF cameras, a
// few among the device-protocol cameras and the rest in a group of their own.
#pragma once

#include <json/json.h>

#include <cstdint>
#include <string>

namespace orvex::lab {

struct WorldLayout {
    int cameras = 60;
    int groups = 6;
    std::string prefix = "OXW";  // serials PREFIX00001, ...
    std::string password = "admin123";
    std::string baseAddress = "127.0.1.1";  // camera n listens on the n-th address from here
    int32_t port = 8000;   // with an empty base address: 127.0.0.1, each its own port (0: free)
    int onvifCameras = 8;  // after the others, on the next addresses (or ports)
    std::string onvifPrefix = "OXV";  // their serials PREFIX00001, ...
};

// The sizes of the groups: the first holds 25 cameras when the others can still have one each,
// the rest share what is left evenly (earlier groups take the remainder). Any thread.
std::vector<int> WorldGroupSizes(int cameras, int groups);

// The fleet file (tools/lab/README.md) of the world. Camera n (1-based, in group order):
// platform when n % 3 == 0; "CheckPassword" true with an empty stored password when
// n % 9 == 5; the second camera of the second group has a changed device password, its fourth
// camera and the last camera of the fleet are absent; the first camera of the fifth group (of
// the last group when there are three or four, none with fewer) forgets the colour item
// ("forgetItem" 8) unless it is absent. Faults never fall on a camera whose password is
// unconfirmed or on the first camera. Every tenth sees 30 networks. False, with
// `error`, for counts out of range (1 to 4096 cameras, 1 to 64 groups, at most one group per
// camera, 0 to 1024 ONVIF cameras) or an invalid base address.
// ONVIF camera k (1-based) has "devType" "ONVIF", "userName" "admin" and the world's password,
// and no fault. With four or more of them, the first joins the third group and the second the
// fourth (the last group when there are fewer), so those groups are mixed; the rest (all of
// them, with fewer than four) make one more group, "园区（ONVIF）" ("g-onvif"). Any thread.
bool MakeWorldFleet(const WorldLayout& layout, Json::Value& fleet, std::string& error);

}  // namespace orvex::lab
