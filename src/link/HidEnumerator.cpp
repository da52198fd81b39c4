// The present HID devices as hidapi lists them (hidraw backend).
#include "link/HidEnumerator.h"

#include <hidapi.h>

std::vector<HidDeviceEntry> CHidEnumerator::List() {
    std::vector<HidDeviceEntry> entries;
    hid_device_info* const list = hid_enumerate(kDeviceIds.vendor, kDeviceIds.product);
    for (const hid_device_info* info = list; info != nullptr; info = info->next) {
        if (info->path == nullptr)
            continue;
        entries.push_back({info->path, {info->vendor_id, info->product_id, info->release_number}});
    }
    hid_free_enumeration(list);
    return entries;
}
