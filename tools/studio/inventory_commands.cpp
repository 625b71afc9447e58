// list, add, remove, move, import and export: the commands that read and change the inventory.
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/posix/atomic_file.h"
#include "tools/studio/command_line.h"
#include "tools/studio/commands.h"
#include "tools/studio/inventory_csv.h"
#include "tools/studio/inventory_file.h"

namespace orvex::site {
namespace {

int Fail(const std::string& message, int status = 1) {
    std::cerr << "orvex-studio: " << message << "\n";
    return status;
}

// Loads, lets `change` edit, and saves when it returns 0, holding the inventory's lock.
template <typename Change>
int Edit(const std::string& path, Change change) {
    Inventory inventory;
    std::string error;
    FileLock lock;
    if (!LockInventory(path, lock, error) || !LoadInventory(path, inventory, error)) {
        return Fail(error);
    }
    const int status = change(inventory);
    if (status != 0) {
        return status;
    }
    if (!SaveInventory(path, inventory, error)) {
        return Fail(error);
    }
    return 0;
}

// Takes `camera` into the inventory: a known serial is updated where it stays (and moved when
// `group` is given), a new one goes to `group`. Returns true when it was new.
bool Merge(Inventory& inventory, const SiteCamera& camera, const std::string& group,
           bool keepPassword) {
    SiteGroup* owner = nullptr;
    if (SiteCamera* known = inventory.find(camera.serial, &owner)) {
        const std::string password = known->password;
        const std::string model = known->model;
        *known = camera;
        if (keepPassword) {
            known->password = password;
        }
        if (known->model.empty()) {
            known->model = model;
        }
        if (!group.empty() && owner->name != group) {
            SiteCamera moved = *known;
            inventory.remove(camera.serial);
            inventory.group(group).cameras.push_back(moved);
        }
        return false;
    }
    inventory.group(group.empty() ? "Cameras" : group).cameras.push_back(camera);
    return true;
}

}  // namespace

int ListCommand(const std::vector<std::string>& args, const std::string& path) {
    std::string error;
    auto line = CommandLine::Parse(args, {}, {"show-passwords"}, error);
    if (!line) {
        return Fail(error, 2);
    }
    Inventory inventory;
    if (!LoadInventory(path, inventory, error)) {
        return Fail(error);
    }
    const bool show = line->has("show-passwords");
    for (const SiteGroup& group : inventory.groups) {
        std::cout << group.name << " (" << group.cameras.size() << " cameras)\n";
        for (const SiteCamera& c : group.cameras) {
            std::cout << "  " << c.serial << "  " << (c.name.empty() ? "-" : c.name) << "  "
                      << c.protocol << " " << c.address << ":" << c.port
                      << (c.protocol == kOnvif ? "  user " + (c.user.empty() ? "admin" : c.user)
                                               : std::string())
                      << "  password "
                      << (c.password.empty() ? "(none)"
                          : show             ? c.password
                                             : "(set)")
                      << "  " << c.channels << (c.channels == 1 ? " channel" : " channels")
                      << (c.model.empty() ? "" : "  " + c.model) << "\n";
        }
    }
    if (inventory.groups.empty()) {
        std::cout << "no cameras yet (orvex-studio scan, add or import)\n";
    }
    if (!inventory.configurations.empty()) {
        std::cout << "saved configurations:\n";
        for (const SavedConfiguration& saved : inventory.configurations) {
            std::cout << "  " << saved.name << "  " << saved.time << "\n";
        }
    }
    return 0;
}

int AddCommand(const std::vector<std::string>& args, const std::string& path) {
    std::string error;
    auto line = CommandLine::Parse(
        args,
        {"serial", "address", "port", "protocol", "user", "password", "channels", "name", "group"},
        {}, error);
    if (!line || !line->has("serial")) {
        return Fail(line ? "--serial is required" : error, 2);
    }
    return Edit(path, [&](Inventory& inventory) {
        SiteCamera* known = inventory.find(line->get("serial"));
        SiteCamera camera = known ? *known : SiteCamera{};
        camera.serial = line->get("serial");
        if (line->has("protocol")) {
            camera.protocol = NormalProtocol(line->get("protocol"));
            if (camera.protocol.empty()) {
                return Fail("--protocol is ONVIF or device", 2);
            }
            if (!known && camera.protocol == kDeviceProtocol) {
                camera.port = 8000;
            }
        }
        const auto port = line->number("port", camera.port, 1, 65535, error);
        const auto channels = line->number("channels", camera.channels, 1, 256, error);
        if (!port || !channels) {
            return Fail(error, 2);
        }
        camera.port = *port;
        camera.channels = *channels;
        camera.address = line->get("address", camera.address);
        camera.user = line->get("user", camera.user);
        camera.password = line->get("password", camera.password);
        camera.name = line->get("name", camera.name);
        const std::string problem = CheckCamera(camera);
        if (!problem.empty()) {
            return Fail(problem, 2);
        }
        const bool added = Merge(inventory, camera, line->get("group"), false);
        std::cout << (added ? "added " : "updated ") << camera.serial << "\n";
        return 0;
    });
}

int RemoveCommand(const std::vector<std::string>& args, const std::string& path) {
    if (args.size() != 1) {
        return Fail("usage: orvex-studio remove SERIAL", 2);
    }
    return Edit(path, [&](Inventory& inventory) {
        if (!inventory.remove(args[0])) {
            return Fail("no camera " + args[0] + " in the inventory");
        }
        std::cout << "removed " << args[0] << "\n";
        return 0;
    });
}

int MoveCommand(const std::vector<std::string>& args, const std::string& path) {
    if (args.size() != 2 || args[1].empty()) {
        return Fail("usage: orvex-studio move SERIAL GROUP", 2);
    }
    return Edit(path, [&](Inventory& inventory) {
        SiteCamera* camera = inventory.find(args[0]);
        if (camera == nullptr) {
            return Fail("no camera " + args[0] + " in the inventory");
        }
        const SiteCamera moved = *camera;
        inventory.remove(args[0]);
        inventory.group(args[1]).cameras.push_back(moved);
        std::cout << "moved " << args[0] << " to " << args[1] << "\n";
        return 0;
    });
}

int ImportCommand(const std::vector<std::string>& args, const std::string& path) {
    if (args.size() != 1) {
        return Fail("usage: orvex-studio import FILE.csv", 2);
    }
    std::string text, error;
    if (!ReadWholeFile(args[0], text, error)) {
        return Fail(error);
    }
    std::vector<CsvCamera> cameras;
    if (!ReadCsv(text, cameras, error)) {
        return Fail(args[0] + ": " + error + " (nothing was imported)");
    }
    return Edit(path, [&](Inventory& inventory) {
        int added = 0, updated = 0;
        for (const CsvCamera& entry : cameras) {
            (Merge(inventory, entry.camera, entry.group, !entry.hasPassword) ? added : updated)++;
        }
        std::cout << "imported " << cameras.size() << " cameras: " << added << " new, " << updated
                  << " updated\n";
        return 0;
    });
}

int ExportCommand(const std::vector<std::string>& args, const std::string& path) {
    std::string error;
    auto line = CommandLine::Parse(args, {}, {"with-passwords"}, error);
    if (!line || line->words().size() > 1) {
        return Fail(line ? "usage: orvex-studio export [FILE.csv|-] [--with-passwords]" : error, 2);
    }
    Inventory inventory;
    if (!LoadInventory(path, inventory, error)) {
        return Fail(error);
    }
    const std::string csv = WriteCsv(inventory, line->has("with-passwords"));
    const std::string target = line->words().empty() ? "-" : line->words()[0];
    if (target == "-") {
        std::cout << csv;
        return 0;
    }
    // A file with passwords is the user's only, as the inventory is.
    if (!WriteFileAtomically(target, csv, line->has("with-passwords") ? 0600 : 0644, true, error)) {
        return Fail(error);
    }
    std::cerr << "exported " << inventory.cameraCount() << " cameras to " << target << "\n";
    return 0;
}

}  // namespace orvex::site
