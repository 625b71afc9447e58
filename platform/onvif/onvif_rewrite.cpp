#include "platform/onvif/onvif_rewrite.h"

#include "platform/onvif/onvif_xml.h"

namespace orvex::onvif {

bool RewriteConfiguration(SoapClient& c, const std::string& path, const Rewrite& how,
                          const std::function<void(pugi::xml_node copy)>& change, Reply& reply) {
    const Arguments key = TokenArgument(how.keyElement, how.key);
    Reply read;  // the configuration as the camera has it, alive while the set is built
    c.call(path, how.ns, how.read, key, read);
    if (!read.ok()) {
        return CopyFailure(read, reply);
    }
    const pugi::xml_node current =
        how.find ? how.find(read.answer) : Child(read.answer, how.ns, how.element);
    if (!current && how.missing != Failure::kNone) {
        reply.failure = how.missing;
        reply.reason = how.missingReason;
        return false;
    }
    c.call(
        path, how.ns, how.write,
        [&](pugi::xml_node op) {
            if (how.writeKey) {
                key(op);
            }
            change(CopyElement(op, current, how.copyAs));
            if (how.persist) {
                op.append_child(how.persist).text().set("true");
            }
        },
        reply);
    return reply.ok();
}

}  // namespace orvex::onvif
