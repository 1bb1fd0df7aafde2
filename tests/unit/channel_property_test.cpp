// Random records applied to random channels: whatever is asked, the host's
// readings stay true (scale x gain and zero + offset are kept) and every
// command the line receives is one the channel can take.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "api/chan_settings.h"
#include "channel/setting_commands.h"
#include "library_fixture.h"
#include "profile.h"

namespace condvorn::testing {
namespace {

constexpr int kProfiles = 40;
constexpr int kRequestsPerProfile = 10;

class Random {
 public:
  explicit Random(uint32_t seed) : engine_(seed) {}
  int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
  double Uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(engine_);
  }
  // Spread evenly over the decades between low and high.
  double LogUniform(double low, double high) {
    return std::exp(Uniform(std::log(low), std::log(high)));
  }
  bool Chance(double p) { return Uniform(0, 1) < p; }

  // Mostly ordinary numbers, now and then one that is not.
  double Request(double ordinary) {
    switch (Int(0, 40)) {
      case 0: return kNaN;
      case 1: return kInfinity;
      case 2: return 0;
      default: return ordinary;
    }
  }

 private:
  std::mt19937 engine_;
};

// Three significant digits, as a device lists its numbers: every line then
// fits the library's reply buffers.
double DeviceNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", value);
  return std::strtod(text, nullptr);
}

std::vector<double> Values(Random& random, int minCount, int maxCount, double low, double high) {
  std::vector<double> values(static_cast<size_t>(random.Int(minCount, maxCount)));
  for (double& value : values) value = DeviceNumber(random.LogUniform(low, high));
  return values;
}

vornsim::FilterSpec RandomFilter(Random& random, bool mayBeContinuous, bool highPass) {
  vornsim::FilterSpec filter;
  filter.name = "Filter " + std::to_string(random.Int(1, 99));
  filter.stepped = !mayBeContinuous || random.Chance(0.5);
  filter.minimum = DeviceNumber(random.LogUniform(0.01, 1));
  filter.maximum = DeviceNumber(random.LogUniform(100, 10000));
  filter.cutoffs = Values(random, 1, 8, 0.01, 10000);
  if (highPass && random.Chance(0.3)) filter.cutoffs.push_back(-random.Int(1, 11));
  return filter;
}

// A channel of any of the kinds the library meets, with lists of any length
// (gain and offset-range lists may be empty).
vornsim::Profile RandomProfile(Random& random) {
  vornsim::Profile profile;
  profile.name = "random";
  const int kind = random.Int(0, 3);  // old firmware, no digital filters, tables, described
  profile.version = kind == 0 ? "Vorn203" : "Vorn222";
  if (kind > 0) profile.digitalFilters = kind == 1 ? 0 : kind == 2 ? random.Int(1, 2) : 3;
  for (int i = random.Int(1, 4); i > 0; --i) {
    vornsim::InputSpec input;
    input.name = "Input " + std::to_string(i);
    input.gains = Values(random, random.Chance(0.1) ? 0 : 1, 6, 0.5, 5000);
    input.offsetRanges = Values(random, random.Chance(0.1) ? 0 : 1, 4, 0.001, 50);
    for (double& range : input.offsetRanges) range *= random.Chance(0.2) ? -1 : 1;
    profile.inputs.push_back(input);
  }
  const int filterCount = kind == 3 ? random.Int(1, 3) : 1;
  for (int i = 0; i < filterCount; ++i) {
    profile.lowPass.push_back(RandomFilter(random, kind == 3, false));
    profile.highPass.push_back(RandomFilter(random, kind == 3, true));
  }
  for (int i = random.Int(0, 3); i > 0; --i) {
    vornsim::ExtraSpec extra;
    extra.name = "Extra " + std::to_string(i);
    extra.slot = random.Int(0, 7);
    extra.choices = random.Chance(0.5);
    for (int c = random.Int(1, 5); c > 0; --c) extra.choiceNames.push_back("Choice");
    extra.minimum = -100;
    extra.maximum = 100;
    profile.extras.push_back(extra);
  }
  return profile;
}

ChanSettings RandomRecord(Random& random, ChanSettings record) {
  record.scale = static_cast<float>(random.Chance(0.05) ? 0.0 : random.LogUniform(1e-5, 10));
  record.zero = static_cast<float>(random.Uniform(-100, 100));
  record.gain = static_cast<float>(random.Request(random.LogUniform(0.1, 20000)));
  record.offset = static_cast<float>(random.Request(random.Uniform(-1e5, 1e5)));
  record.input = static_cast<int16_t>(random.Int(-1, 5));
  record.flags = static_cast<uint16_t>(random.Int(0, 15));
  record.lowPassType = static_cast<int16_t>(random.Int(-1, 4));
  record.highPassType = static_cast<int16_t>(random.Int(-1, 4));
  record.lowPassCutoff = static_cast<float>(random.Request(random.LogUniform(0.001, 1e5)));
  record.highPassCutoff = static_cast<float>(random.Request(random.LogUniform(0.001, 1e5)));
  for (float& value : record.extraValues) {
    value = static_cast<float>(random.Request(random.Uniform(-2, 6)));
  }
  return record;
}

bool AllFinite(const ChanSettings& record) {
  const float values[] = {record.scale, record.zero, record.gain, record.offset,
                          record.lowPassCutoff, record.highPassCutoff};
  auto finite = [](float value) { return std::isfinite(value); };
  return std::all_of(std::begin(values), std::end(values), finite) &&
         std::all_of(std::begin(record.extraValues), std::end(record.extraValues), finite);
}

// Follows the device through the commands it received and reports any that
// it could not take: an index outside its lists, a code out of range or a
// number that is not one.
class CommandChecker {
 public:
  CommandChecker(const vornsim::Profile& profile, const vornsim::DeviceSettings& device)
      : profile_(profile), input_(device.input), lowPassType_(device.lowPassType),
        highPassType_(device.highPassType), extra_(device.extraSelected) {}

  void Check(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str() + 2, &end);
    ASSERT_TRUE(text.size() >= 4 && end == text.c_str() + text.size() - 1 && *end == ';' &&
                std::isfinite(value)) << text;
    EXPECT_TRUE(Takes(text.substr(0, 2), value)) << text;
  }

 private:
  template <typename T>
  static int Size(const std::vector<T>& list) { return static_cast<int>(list.size()); }

  bool Takes(const std::string& name, double value) {
    const int n = static_cast<int>(value);
    auto within = [&](int low, int high) { return value == std::floor(value) && n >= low && n <= high; };
    const bool extended = profile_.version == "Vorn222";
    const bool digital = extended && profile_.digitalFilters.value_or(0) != 0;
    if (name == "IP") { input_ = n; return within(1, Size(profile_.inputs)); }
    if (name == "GN") return within(1, Size(Input().gains));
    if (name == "OR") return within(1, Size(Input().offsetRanges));
    if (name == "OF") return within(-32768, 32767);
    if (name == "LD") { lowPassType_ = n; return digital && within(1, TypeCount(true)); }
    if (name == "HD") { highPassType_ = n; return digital && within(1, TypeCount(false)); }
    if (name == "LP" || name == "HP") return within(0, CutoffCount(name == "LP") - 1);
    if (name == "LO" || name == "HO") return digital;
    if (name == "FA") { extra_ = n; return digital && within(1, std::min(Size(profile_.extras), 4)); }
    if (name == "FS") {
      if (extra_ < 1 || extra_ > Size(profile_.extras)) return false;
      const vornsim::ExtraSpec& extra = profile_.extras[extra_ - 1];
      return !extra.choices || within(0, Size(extra.choiceNames) - 1);
    }
    if (name == "AC" || name == "NF") return within(0, 1);
    if (name == "TG") return within(1, 2);
    if (name == "TP") return extended && within(0, 1);
    return false;
  }

  // The device lists the gains and ranges of its selected input, or of its
  // first when the selection names none.
  const vornsim::InputSpec& Input() const {
    const bool valid = input_ >= 1 && input_ <= Size(profile_.inputs);
    return profile_.inputs[valid ? input_ - 1 : 0];
  }

  bool UsesTables() const {
    const int answer = profile_.digitalFilters.value_or(0);
    return answer == 1 || answer == 2;
  }

  int TypeCount(bool lowPass) const {
    return UsesTables() ? 4 : Size(lowPass ? profile_.lowPass : profile_.highPass);
  }

  // Entries of the selected characteristic's list as the library numbers
  // them: the library's tables have 14; a channel that describes its
  // characteristics numbers its own lists; otherwise the library put the off
  // entry in front of the single list.
  int CutoffCount(bool lowPass) const {
    if (UsesTables()) return 14;
    const auto& filters = lowPass ? profile_.lowPass : profile_.highPass;
    if (profile_.digitalFilters.value_or(0) >= 3) {
      return Size(filters[(lowPass ? lowPassType_ : highPassType_) - 1].cutoffs);
    }
    return Size(filters[0].cutoffs) + 1;
  }

  const vornsim::Profile& profile_;
  int input_;
  int lowPassType_;
  int highPassType_;
  int extra_;
};

class ScalingPropertyTest : public LibraryTest {
 protected:
  ScalingPropertyTest() {
    OpenLink();
    ResetChannelTables();
  }
};

TEST_F(ScalingPropertyTest, ReadingsStayTrueAndEveryCommandIsValid) {
  Random random(20240611);
  for (int channel = 0; channel < kProfiles; ++channel) {
    vornsim::Channel& device = sim.AddChannel(channel, RandomProfile(random));
    ChanSettings record = DefaultChanSettings();
    for (int request = 0; request < kRequestsPerProfile; ++request) {
      SCOPED_TRACE("channel " + std::to_string(channel) + ", request " + std::to_string(request));
      record = RandomRecord(random, record);
      if (random.Chance(0.2)) InvalidateApplied(channel);
      const ChanSettings before = record;
      CommandChecker checker(device.profile, device.settings);
      sim.ClearReceived();

      ApplySettings(channel, record);

      for (const std::string& text : Sent(channel)) {
        if (text.rfind(";;CH", 0) != 0 && text[0] != '?') checker.Check(text);
      }
      if (!std::isfinite(before.gain) || !std::isfinite(before.offset)) continue;
      const double product = static_cast<double>(before.scale) * before.gain;
      EXPECT_NEAR(static_cast<double>(record.scale) * record.gain, product,
                  1e-6 * std::fabs(product));
      const double sum = static_cast<double>(before.zero) + before.offset;
      EXPECT_NEAR(static_cast<double>(record.zero) + record.offset, sum,
                  1e-6 * (std::fabs(before.zero) + std::fabs(before.offset) +
                          std::fabs(record.offset)));
      if (!AllFinite(record)) continue;
      sim.ClearReceived();
      ApplySettings(channel, record);
      EXPECT_TRUE(Sent().empty()) << "the rewritten record is applied already";
    }
  }
}

}  // namespace
}  // namespace condvorn::testing
