// `info CH`: everything GetCondInfo2 reports about a channel.
#pragma once

#include <ostream>

#include "channel_info.h"
#include "options.h"

namespace vornctl {

void PrintChannelInfo(std::ostream& out, const ChannelInfo& info, const ChanSettings& record);

int RunInfo(const Options& options);

}  // namespace vornctl
