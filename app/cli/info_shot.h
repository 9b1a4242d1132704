// The shot-information part of `lumivore info`: the panel rows as the viewer shows them, the AF
// geometry, every ShotInfo field and the PhotoMeta record, as report sections.
#pragma once
#include <string>
#include <vector>

#include "metadata/tiff.h"
#include "report.h"

namespace lv::cli {

// Appends the shot-information sections of one photo to a report.
void appendShotSections(const std::string& path, ByteView head, std::vector<ReportSection>* out);

}  // namespace lv::cli
