#pragma once
// The registrations of other software that the benchmark fills a prefix with, as their installers
// write them: COM classes with their servers, ProgIDs, type-library references and versions, type
// libraries and application paths, all below C:\Program Files and none in a controller folder.
// The same index always gives the same registration, so a prefix can be topped up to a larger size.

#include <cstdint>

namespace hivebench {

struct ForeignSizes {
    int classes = 0;
    int typeLibraries = 0; // one for every ten classes
    int appPaths = 0;      // one for every hundred classes
};

[[nodiscard]] ForeignSizes SizesFor(int classes);

struct SeedReport {
    ForeignSizes before; // what the prefix had already
    ForeignSizes after;
};

// Writes the registrations of the size that the prefix does not have yet, in the native view;
// those of a smaller size, written before, stay as they are.
[[nodiscard]] SeedReport SeedForeignRegistrations(int classes);

// The controller's installation with nothing registered that a run removes: its folders below
// C:\Programme\OMX and the maker's machine key that records the installation folder, so that the
// program compares every path with the real controller folders. Written once per prefix.
void SeedControllerInstallation();

} // namespace hivebench
