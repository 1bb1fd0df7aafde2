// Random records applied to random channels: whatever is asked, the host's
// readings stay true (scale x gain and zero + offset are kept) and every
// command the line receives is one the channel can take.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
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
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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
      case 1: return std::numeric_limits<double>::infinity();
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
  bool finite = std::isfinite(record.scale) && std::isfinite(record.zero) &&
                std::isfinite(record.gain) && std::isfinite(record.offset) &&
                std::isfinite(record.lowPassCutoff) && std::isfinite(record.highPassCutoff);
  for (float value : record.extraValues) finite = finite && std::isfinite(value);
  return finite;
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
    SCOPED_TRACE(text);
    ASSERT_GE(text.size(), 4u);
    ASSERT_EQ(text.back(), ';');
    const std::string name = text.substr(0, 2);
    const std::string argument = text.substr(2, text.size() - 3);
    char* end = nullptr;
    const double value = std::strtod(argument.c_str(), &end);
    ASSERT_TRUE(end != argument.c_str() && *end == '\0' && std::isfinite(value));
    const bool digital = profile_.digitalFilters.value_or(0) != 0 && profile_.version == "Vorn222";
    const bool whole = value == std::floor(value);
    const int n = static_cast<int>(value);

    if (name == "IP") {
      EXPECT_TRUE(whole && n >= 1 && n <= Size(profile_.inputs));
      input_ = n;
    } else if (name == "GN") {
      EXPECT_TRUE(whole && n >= 1 && n <= Size(Input().gains));
    } else if (name == "OR") {
      EXPECT_TRUE(whole && n >= 1 && n <= Size(Input().offsetRanges));
    } else if (name == "OF") {
      EXPECT_TRUE(whole && n >= -32768 && n <= 32767);
    } else if (name == "LD" || name == "HD") {
      EXPECT_TRUE(digital);
      EXPECT_TRUE(whole && n >= 1 && n <= TypeCount(name == "LD"));
      (name == "LD" ? lowPassType_ : highPassType_) = n;
    } else if (name == "LP" || name == "HP") {
      EXPECT_TRUE(whole && n >= 0 && n < CutoffCount(name == "LP"));
    } else if (name == "LO" || name == "HO") {
      EXPECT_TRUE(digital);
    } else if (name == "FA") {
      EXPECT_TRUE(digital);
      EXPECT_TRUE(whole && n >= 1 && n <= std::min(Size(profile_.extras), 4));
      extra_ = n;
    } else if (name == "FS") {
      ASSERT_TRUE(extra_ >= 1 && extra_ <= Size(profile_.extras));
      const vornsim::ExtraSpec& extra = profile_.extras[extra_ - 1];
      if (extra.choices) {
        EXPECT_TRUE(whole && n >= 0 && n < Size(extra.choiceNames));
      }
    } else if (name == "AC" || name == "NF") {
      EXPECT_TRUE(n == 0 || n == 1);
    } else if (name == "TG") {
      EXPECT_TRUE(n == 1 || n == 2);
    } else if (name == "TP") {
      EXPECT_EQ(profile_.version, "Vorn222") << "trigger edge without extended commands";
      EXPECT_TRUE(n == 0 || n == 1);
    } else {
      ADD_FAILURE() << "unknown command";
    }
  }

 private:
  template <typename T>
  static int Size(const std::vector<T>& list) { return static_cast<int>(list.size()); }

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
      const int type = lowPass ? lowPassType_ : highPassType_;
      return Size(filters[type - 1].cutoffs);
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
    link.Open(1, -1, &Lib().linkHandle, nullptr);
    Lib().linkStatus = 0;
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
