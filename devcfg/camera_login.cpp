#include "devcfg/camera_login.h"

#include "platform/rprov/rprov_agent.h"

namespace orvex {

bool LoginCamera(const CameraRecord& camera, int32_t& handle, LoginDeviceInfo& info) {
    if (IsOnvifCamera(camera)) {
        return RPROV_Login_DevAs(RPROV_PROTOCOL_ONVIF, camera.devip, camera.port,
                                 OnvifUserName(camera), camera.passwd, handle, info, camera.newDev);
    }
    return RPROV_Login_Dev(camera.devip, camera.port, camera.passwd, handle, info, camera.newDev);
}

}  // namespace orvex
