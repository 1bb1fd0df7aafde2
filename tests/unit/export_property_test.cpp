// Random channels, awkward ones among them, driven through the exports with
// random finite records and requests of any kind. Whatever is asked: no
// export writes a value that is not a finite float into a record that came
// in finite, the host's readings stay true (scale x gain and zero + offset
// are kept), a gain never snaps to 0, a record as written back is applied
// already, and every command the line receives is one the channel can take.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

#include "api/chan_settings.h"
#include "library_fixture.h"
#include "profile.h"

namespace condvorn::testing {
namespace {

constexpr int kChannels = 60;
constexpr int kCallsPerChannel = 15;
constexpr double kFloatMax = std::numeric_limits<float>::max();
constexpr double kSmallestFloat = std::numeric_limits<float>::denorm_min();

class Random {
 public:
  explicit Random(uint32_t seed) : engine_(seed) {}
  int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
  double Uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(engine_); }
  // Spread evenly over the decades between low and high.
  double LogUniform(double low, double high) { return std::exp(Uniform(std::log(low), std::log(high))); }
  bool Chance(double p) { return Uniform(0, 1) < p; }

  // A record's value: mostly ordinary, now and then at the edges of a float.
  double RecordValue(double ordinary) {
    const double awkward[] = {0, kFloatMax, -kFloatMax, kSmallestFloat, 1e-30, 3e9, -ordinary};
    return Chance(0.2) ? awkward[Int(0, 6)] : ordinary;
  }
  // An export's argument: a record's value, or no number at all.
  double Request(double ordinary) {
    const double missing[] = {kNaN, kInfinity, -kInfinity};
    return Chance(0.1) ? missing[Int(0, 2)] : RecordValue(ordinary);
  }
  // A number in a device's list: mostly ordinary, now and then 0, negative,
  // or beyond what a float holds either way.
  double DeviceValue(double ordinary) {
    const double awkward[] = {0, -ordinary, 1e300, 1e-300, 3e38};
    return Chance(0.1) ? awkward[Int(0, 4)] : ordinary;
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

std::vector<double> DeviceList(Random& random, int minCount, int maxCount, double low, double high) {
  std::vector<double> values(static_cast<size_t>(random.Int(minCount, maxCount)));
  for (double& value : values) value = DeviceNumber(random.DeviceValue(random.LogUniform(low, high)));
  return values;
}

vornsim::FilterProfile RandomFilter(Random& random, bool mayBeContinuous, bool highPass) {
  vornsim::FilterProfile filter;
  filter.name = "Filter " + std::to_string(random.Int(1, 99));
  filter.stepped = !mayBeContinuous || random.Chance(0.5);
  filter.minimum = DeviceNumber(random.LogUniform(0.01, 1));
  filter.maximum = DeviceNumber(random.LogUniform(100, 10000));
  filter.cutoffs = DeviceList(random, 1, 8, 0.01, 10000);
  if (highPass && random.Chance(0.3)) filter.cutoffs.push_back(-random.Int(1, 11));
  return filter;
}

// A channel of any of the kinds the library meets, with lists of any length
// (gain and offset-range lists may be empty or hold only zeros).
vornsim::Profile RandomProfile(Random& random) {
  vornsim::Profile profile;
  profile.name = "random";
  const int kind = random.Int(0, 3);  // old firmware, no digital filters, tables, described
  profile.version = kind == 0 ? "Vorn203" : "Vorn222";
  if (kind > 0) profile.digitalFilters = kind == 1 ? 0 : kind == 2 ? random.Int(1, 2) : 3;
  for (int i = random.Int(1, 4); i > 0; --i) {
    vornsim::InputProfile input;
    input.name = "Input " + std::to_string(i);
    input.gains = random.Chance(0.05) ? std::vector<double>{0} : DeviceList(random, 0, 6, 0.5, 5000);
    input.offsetRanges = DeviceList(random, 0, 4, 0.001, 50);
    profile.inputs.push_back(input);
  }
  const int filterCount = kind == 3 ? random.Int(1, 3) : 1;
  for (int i = 0; i < filterCount; ++i) {
    profile.lowPass.push_back(RandomFilter(random, kind == 3, false));
    profile.highPass.push_back(RandomFilter(random, kind == 3, true));
  }
  for (int i = random.Int(0, 3); i > 0; --i) {
    vornsim::ExtraProfile extra;
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
  const auto value = [&](double ordinary) { return static_cast<float>(random.RecordValue(ordinary)); };
  record.scale = value(random.LogUniform(1e-5, 10));
  record.zero = value(random.Uniform(-100, 100));
  record.gain = value(random.LogUniform(0.1, 20000));
  record.offset = value(random.Uniform(-1e5, 1e5));
  record.input = static_cast<int16_t>(random.Int(-1, 5));
  record.flags = static_cast<uint16_t>(random.Int(0, 15));
  record.lowPassType = static_cast<int16_t>(random.Int(-1, 4));
  record.highPassType = static_cast<int16_t>(random.Int(-1, 4));
  record.lowPassCutoff = value(random.LogUniform(0.001, 1e5));
  record.highPassCutoff = value(random.LogUniform(0.001, 1e5));
  for (float& extra : record.extraValues) extra = value(random.Uniform(-2, 6));
  return record;
}

void ExpectFinite(const ChanSettings& record) {
  for (float value : {record.scale, record.zero, record.gain, record.offset, record.lowPassCutoff,
                      record.highPassCutoff}) {
    EXPECT_TRUE(std::isfinite(value)) << value;
  }
  for (float value : record.extraValues) EXPECT_TRUE(std::isfinite(value)) << value;
}

// scale x gain and zero + offset as they were, within what rounding each
// field to a float (a subnormal one included) can change.
void ExpectReadingsKept(const ChanSettings& before, const ChanSettings& after) {
  const double product = static_cast<double>(before.scale) * before.gain;
  EXPECT_NEAR(static_cast<double>(after.scale) * after.gain, product,
              1e-6 * std::fabs(product) + kSmallestFloat * std::fabs(after.gain));
  EXPECT_NEAR(static_cast<double>(after.zero) + after.offset, static_cast<double>(before.zero) + before.offset,
              1e-6 * (std::fabs(before.zero) + std::fabs(before.offset) + std::fabs(after.offset)) + kSmallestFloat);
  if (after.gain != before.gain) {
    EXPECT_NE(after.gain, 0.0f);
  }
}

// Follows the device through the commands it received: every one must be a
// set command with a finite number, whole where the device takes an index or
// a code, and an index within the lists of the input it has selected (the
// first when the selection names none).
class CommandChecker {
 public:
  CommandChecker(const vornsim::Profile& profile, int input) : profile_(profile), input_(input) {}

  void Check(const std::string& text) {
    if (text.rfind(";;CH", 0) == 0 || text[0] == '?') return;
    char* end = nullptr;
    const double value = std::strtod(text.c_str() + 2, &end);
    ASSERT_TRUE(end == text.c_str() + text.size() - 1 && *end == ';' && std::isfinite(value)) << text;
    EXPECT_TRUE(Takes(text.substr(0, 2), value)) << text;
  }

 private:
  bool Takes(const std::string& name, double value) {
    const int n = static_cast<int>(value);
    const auto within = [&](size_t low, size_t high) {
      return value == std::floor(value) && n >= static_cast<int>(low) && n <= static_cast<int>(high);
    };
    const int tables = profile_.digitalFilters.value_or(0);
    const bool extended = profile_.version == "Vorn222";
    const bool digital = extended && tables != 0;
    const size_t typeCount = tables == 1 || tables == 2 ? 4 : profile_.lowPass.size();
    if (name == "IP") input_ = n;
    const auto& input = profile_.inputs[input_ >= 1 && input_ <= static_cast<int>(profile_.inputs.size()) ? input_ - 1 : 0];
    if (name == "IP") return within(1, profile_.inputs.size());
    if (name == "GN") return within(1, input.gains.size()) && static_cast<float>(input.gains[n - 1]) != 0;
    if (name == "OR") return within(1, input.offsetRanges.size());
    if (name == "OF") return value == std::floor(value) && value >= -32768 && value <= 32767;
    if (name == "LD" || name == "HD") return digital && within(1, typeCount);
    if (name == "LP" || name == "HP") return within(0, 19);
    if (name == "LO" || name == "HO") return digital;
    if (name == "FA") return digital && within(1, std::min<size_t>(profile_.extras.size(), 4));
    if (name == "AC" || name == "NF" || name == "TP") return within(0, 1) && (extended || name != "TP");
    if (name == "TG") return within(1, 2);
    return name == "FS";
  }

  const vornsim::Profile& profile_;
  int input_;
};

enum class Export { kSetCondChan, kCondGainTo, kCondGainChange, kCondOffsTo, kCondOffsChange, kGetCondInfo2, kSetADCRange };

class ExportPropertyTest : public LibraryTest {
 protected:
  ExportPropertyTest() {
    OpenLink();
    ResetChannelTables();
  }

  // Calls the export with random arguments on the record.
  void Call(Export which, Random& random, int channel, ChanSettings& record) {
    const auto request = [&](double ordinary) { return static_cast<float>(random.Request(ordinary)); };
    switch (which) {
      case Export::kSetCondChan:
        if (random.Chance(0.2)) InvalidateApplied(channel);
        EXPECT_EQ(SetCondChan(channel, &record), 0);
        ExpectAppliedAlready(channel, record);
        return;
      case Export::kCondGainTo: CondGainTo(request(random.LogUniform(0.1, 20000)), channel, &record); return;
      case Export::kCondGainChange: CondGainChange(random.Int(0, 1), channel, &record); return;
      case Export::kCondOffsTo: CondOffsTo(request(random.Uniform(-1e5, 1e5)), channel, &record); return;
      case Export::kCondOffsChange: CondOffsChange(random.Int(0, 1), channel, &record); return;
      case Export::kGetCondInfo2:
        info->settings = &record;
        EXPECT_EQ(GetCondInfo2(channel, info.get()), 0);
        return;
      case Export::kSetADCRange: {
        const double range = random.Chance(0.5) ? 5.0 : random.Request(10.0);
        SetADCRange(range);
        EXPECT_TRUE(std::isfinite(Channels().adcRange) && Channels().adcRange > 0) << range;
      }
    }
  }

  // Every section, for lists of any length (a read may leave a count negative).
  std::unique_ptr<CondInfo> info = [] {
    auto info = std::make_unique<CondInfo>();
    info->size = sizeof(CondInfo);
    info->want = 0x7F;
    return info;
  }();

  // A second SetCondChan with the record as written back sends nothing.
  void ExpectAppliedAlready(int channel, ChanSettings record) {
    sim.ClearReceived();
    SetCondChan(channel, &record);
    EXPECT_TRUE(Sent().empty());
  }
};

TEST_F(ExportPropertyTest, RecordsStayFiniteAndTrueAndEveryCommandIsValid) {
  Random random(20240611);
  for (int channel = 0; channel < kChannels; ++channel) {
    vornsim::Channel& device = sim.AddChannel(channel, RandomProfile(random));
    // Now and then a port without a usable conditioner: SetCondChan folds it out.
    if (random.Chance(0.1)) Link().channelStatus[channel] = COND_ERR_NO_CHANNEL;
    ChanSettings record = DefaultChanSettings();
    for (int call = 0; call < kCallsPerChannel; ++call) {
      SCOPED_TRACE("channel " + std::to_string(channel) + ", call " + std::to_string(call));
      const auto which = static_cast<Export>(random.Int(0, 6));
      if (which == Export::kSetCondChan || call == 0) record = RandomRecord(random, record);
      const ChanSettings before = record;
      CommandChecker checker(device.profile, device.settings.input);
      sim.ClearReceived();
      Call(which, random, channel, record);
      ExpectFinite(record);
      ExpectReadingsKept(before, record);
      for (const std::string& text : Sent(channel)) checker.Check(text);
    }
  }
}

}  // namespace
}  // namespace condvorn::testing
