// scan: finds ONVIF cameras by WS-Discovery, logs in to each with the credentials given, and
// adds or updates them in the inventory by serial.
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "tools/studio/command_line.h"
#include "tools/studio/commands.h"
#include "tools/studio/inventory_file.h"
#include "tools/studio/onvif_discovery.h"

namespace orvex::site {

namespace {

// The ONVIF camera the inventory has at host:port; null when there is none.
const SiteCamera* AtAddress(const Inventory& inventory, const std::string& host, int port) {
    for (const SiteGroup& group : inventory.groups) {
        for (const SiteCamera& camera : group.cameras) {
            if (camera.protocol == kOnvif && camera.address == host && camera.port == port) {
                return &camera;
            }
        }
    }
    return nullptr;
}

}  // namespace

int ScanCommand(const std::vector<std::string>& args, const std::string& path) {
    std::string error;
    auto line =
        CommandLine::Parse(args, {"user", "password", "interface", "wait", "group"}, {}, error);
    const auto wait = line ? line->number("wait", 3, 1, 60, error) : std::nullopt;
    if (!line || !wait || !line->words().empty()) {
        std::cerr << "orvex-studio: " << (line && wait ? "scan takes no words" : error) << "\n";
        return 2;
    }
    const char* envPassword = std::getenv("ORVEX_STUDIO_PASSWORD");
    const std::string user = line->get("user", "admin");
    const std::string password = line->get("password", envPassword ? envPassword : "");
    // The lock is held from the load to the save: a change made meanwhile waits, not lost.
    Inventory inventory;
    FileLock lock;
    if (!LockInventory(path, lock, error) || !LoadInventory(path, inventory, error)) {
        std::cerr << "orvex-studio: " << error << "\n";
        return 1;
    }

    DiscoveryOptions options;
    options.interface = line->get("interface");
    options.waitMs = *wait * 1000;
    std::vector<ProbeAnswer> answers;
    const bool sent = Discover(options, answers, error, [](int msLeft, size_t found) {
        std::fprintf(stderr, "\rwaiting for cameras: %d.%d s left, %zu answered ", msLeft / 1000,
                     (msLeft % 1000) / 100, found);
        std::fflush(stderr);
    });
    std::fputc('\n', stderr);
    if (!sent) {
        std::cerr << "orvex-studio: " << error << "\n";
        return 1;
    }
    std::cout << answers.size() << (answers.size() == 1 ? " camera" : " cameras")
              << " answered the Probe\n";

    int added = 0, known = 0, refused = 0, failed = 0;
    for (const ProbeAnswer& answer : answers) {
        const std::string where = answer.host + ":" + std::to_string(answer.port);
        std::string usedUser = user, usedPassword = password;
        CameraFacts facts = ReadCamera(answer, user, password);
        // A camera the inventory already has at this address is tried with its own
        // credentials too, so that a scan with another site password does not lose it.
        const SiteCamera* kept = AtAddress(inventory, answer.host, answer.port);
        if (facts.refused && kept != nullptr &&
            (kept->user != user || kept->password != password)) {
            usedUser = kept->user;
            usedPassword = kept->password;
            facts = ReadCamera(answer, usedUser, usedPassword);
        }
        if (!facts.loggedIn || facts.serial.empty()) {
            (facts.refused ? refused : failed)++;
            std::cout << (facts.refused ? "could not log in: " : "no usable answer: ") << where
                      << " as " << user << " (" << (facts.loggedIn ? "no serial" : facts.reason)
                      << ")\n";
            continue;
        }
        SiteCamera* camera = inventory.find(facts.serial);
        const bool isNew = camera == nullptr;
        if (isNew) {
            SiteGroup& group = inventory.group(line->get("group", "Discovered"));
            group.cameras.push_back(SiteCamera{});
            camera = &group.cameras.back();
            camera->serial = facts.serial;
            camera->name = facts.model.empty() ? facts.serial : facts.model;
        }
        camera->address = answer.host;
        camera->port = answer.port;
        camera->protocol = kOnvif;
        camera->user = usedUser;
        camera->password = usedPassword;
        camera->channels = std::max(facts.channels, 1);
        camera->model =
            facts.manufacturer.empty() ? facts.model : facts.manufacturer + " " + facts.model;
        (isNew ? added : known)++;
        std::cout << (isNew ? "new: " : "already known: ") << facts.serial << " at " << where
                  << " (" << camera->model << ", " << camera->channels
                  << (camera->channels == 1 ? " channel)" : " channels)") << "\n";
    }
    if (added + known > 0 && !SaveInventory(path, inventory, error)) {
        std::cerr << "orvex-studio: " << error << "\n";
        return 1;
    }
    std::cout << "scan: " << added << " new, " << known << " already known, " << refused
              << " could not log in, " << failed << " without a usable answer\n";
    return 0;
}

}  // namespace orvex::site
