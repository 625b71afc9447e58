#include "tools/studio/commands.h"

namespace orvex::site {

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands{
        {"scan",
         "[--user admin] [--password W] [--interface NAME|ADDRESS] [--wait SECONDS] [--group NAME]",
         "finds ONVIF cameras (WS-Discovery), logs in and adds or updates them by serial "
         "(--password, else $ORVEX_STUDIO_PASSWORD)",
         ScanCommand},
        {"list", "[--show-passwords]", "lists the groups, cameras and saved configurations",
         ListCommand},
        {"add",
         "--serial S --address A [--port P] [--protocol ONVIF|device] [--user U]\n"
         "           [--password W] [--channels N] [--name T] [--group NAME]",
         "adds a camera, or changes the given fields of a known one", AddCommand},
        {"remove", "SERIAL", "removes a camera", RemoveCommand},
        {"move", "SERIAL GROUP", "moves a camera to a group (made when new)", MoveCommand},
        {"import", "FILE.csv", "adds or updates the cameras of a CSV file (header row)",
         ImportCommand},
        {"export", "[FILE.csv|-] [--with-passwords]",
         "writes the cameras as CSV (standard output by default), passwords only when asked",
         ExportCommand},
        {"run",
         "[--tool PATH] [--page DIR] [--stats-host HOST] [--camera SERIAL[:CHANNEL]]\n"
         "           [--user-id ID] [--user-name NAME] [--page-port N]",
         "serves the studio link (127.0.0.1:5905) and the page, starts the tool, records the "
         "configuration names; Ctrl-C or SIGTERM asks the tool to quit; type camera "
         "SERIAL[:CHANNEL], "
         "groups or quit while it runs",
         RunCommand},
    };
    return commands;
}

}  // namespace orvex::site
