#pragma once

#include <cstdint>
#include <string>

#include "server/client_information.h"
#include "service/module_export.h"

namespace Qv::Vantix::Server::Uwp {

// A store application, named by its package family. Field order is part of the exported
// layout: do not reorder.
class VISTANE_API UwpInformation : public IClientInformation {
public:
    UwpInformation();
    // identifier becomes the family name; build and revision stay 0.
    UwpInformation(std::wstring packageName, std::wstring packageFamilyName, std::uint16_t major,
                   std::uint16_t minor);
    UwpInformation(const UwpInformation& other);
    UwpInformation& operator=(const UwpInformation& other);
    ~UwpInformation();

    std::wstring packageName;        // without the publisher part, e.g. "Maker.App"
    std::wstring packageFamilyName;  // e.g. "Maker.App_publisherhash"
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t revision = 0;
    // Carried for the host's modules; nothing here sets or reads them.
    std::wstring extraText1;
    std::wstring extraText2;
    std::int32_t extraNumber = 0;
    std::wstring extraText3;
};

}  // namespace Qv::Vantix::Server::Uwp
