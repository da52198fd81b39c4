// What a HID arrival or removal means for the link: connect to the new device, close the link, or nothing.
#include "link/DeviceChange.h"

#include "link/ClaimList.h"

#include <QString>

#include <algorithm>

bool IsReenumeratingStage(int stage) {
    return std::find(kReenumeratingStages.begin(), kReenumeratingStages.end(), stage) !=
           kReenumeratingStages.end();
}

DeviceDecision DecideDeviceChange(const DeviceEvent& event, const LinkSnapshot& link,
                                  const CClaimList& claims) {
    switch (event.action) {
    case DeviceAction::Arrival:
        if (link.linkOpen || IsReenumeratingStage(link.firmwareStage) || event.devnode.empty())
            return DeviceDecision::Ignore;
        if (!event.ids || !IsOurDevice(*event.ids))
            return DeviceDecision::Ignore;
        if (claims.IsPathClaimed(event.devnode))
            return DeviceDecision::Ignore;
        return DeviceDecision::Connect;
    case DeviceAction::Removal: {
        if (!link.linkOpen || IsReenumeratingStage(link.firmwareStage) || event.devnode.empty())
            return DeviceDecision::Ignore;
        const bool current = QString::fromStdString(event.devnode)
                                 .compare(QString::fromStdString(link.currentPath), Qt::CaseInsensitive) == 0;
        if (!current)
            return DeviceDecision::Ignore;
        const bool earlierAppearance =
            !event.syspath.empty() && !link.currentSyspath.empty() && event.syspath != link.currentSyspath;
        return earlierAppearance ? DeviceDecision::Ignore : DeviceDecision::CloseLink;
    }
    case DeviceAction::Other:
        break;
    }
    return DeviceDecision::Ignore;
}
