// Sets the simulated device up from a setup or all-data file, as if the box had been tuned that way.
#pragma once

#include "base/Status.h"

#include <QString>

class CSimDevice;

namespace SimFile {

// A setup file (".dsps") becomes the device's live settings; an all-data file (".dspa") its system block,
// stored presets 1..20 and live settings (the device keeps no listening-position delays). The bytes are
// taken as the file holds them. A file of another kind, size or tag changes nothing and gets the file
// error text.
Status Load(CSimDevice& device, const QString& path);

} // namespace SimFile
