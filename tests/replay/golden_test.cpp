// The golden replay: the committed key script played through zorrit-replay
// must reproduce the committed trace line by line, and the trace must still
// show the game doing what the script was written to make it do.
//
// After a deliberate change of the game or its art, regenerate the trace with
// tools/replay/update-golden.sh BUILD_DIR and review the difference.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kReplay = ZORRIT_REPLAY_EXE;
const char* const kGoldenInput = ZORRIT_SOURCE_DIR "/tests/replay/golden.input";
const char* const kGoldenTrace = ZORRIT_SOURCE_DIR "/tests/replay/golden.trace";

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// Runs zorrit-replay with `arguments`; returns its exit code (-1 when it did
// not exit normally). Standard error goes to `errors` when given.
int RunReplayTool(const std::string& arguments, const std::string& errors = "") {
  std::string command = std::string(kReplay) + " " + arguments;
  if (!errors.empty()) command += " 2>" + errors;
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The top-level fields of one trace line, in order: {"a":1,"b":[2,3]} gives
// (a, 1), (b, [2,3]).
std::vector<std::pair<std::string, std::string>> TraceFields(const std::string& line) {
  std::vector<std::pair<std::string, std::string>> fields;
  size_t i = line.find('{');
  if (i == std::string::npos) return fields;
  i++;
  while (i < line.size() && line[i] == '"') {
    size_t keyEnd = line.find('"', i + 1);
    if (keyEnd == std::string::npos || keyEnd + 1 >= line.size() || line[keyEnd + 1] != ':') break;
    std::string key = line.substr(i + 1, keyEnd - i - 1);
    size_t v = keyEnd + 2, e = v;
    int depth = 0, quoted = 0;
    for (; e < line.size(); e++) {
      char c = line[e];
      if (c == '"') quoted = !quoted;
      if (quoted) continue;
      if (c == '[') depth++;
      if (c == ']') depth--;
      if (depth == 0 && (c == ',' || c == '}')) break;
    }
    fields.emplace_back(key, line.substr(v, e - v));
    i = e + 1;
  }
  return fields;
}

// "" when the traces agree; otherwise where they first part.
std::string FirstDifference(const std::vector<std::string>& golden,
                            const std::vector<std::string>& replay) {
  for (size_t n = 0; n < golden.size() && n < replay.size(); n++) {
    if (golden[n] == replay[n]) continue;
    auto g = TraceFields(golden[n]);
    auto r = TraceFields(replay[n]);
    std::string frame = g.empty() ? "?" : g[0].second;
    std::ostringstream out;
    out << "line " << n + 1 << ", frame " << frame << ": ";
    for (size_t f = 0; f < g.size() || f < r.size(); f++) {
      if (f < g.size() && f < r.size() && g[f] == r[f]) continue;
      if (f < g.size() && f < r.size() && g[f].first == r[f].first) {
        out << "field " << g[f].first << " is " << r[f].second << ", golden " << g[f].second;
      } else {
        out << "field " << (f < g.size() ? g[f].first : "(none)") << " of the golden trace "
            << "meets field " << (f < r.size() ? r[f].first : "(none)");
      }
      return out.str();
    }
    return out.str() + "the lines differ in form";
  }
  if (golden.size() != replay.size()) {
    std::ostringstream out;
    out << "the replay wrote " << replay.size() << " lines, the golden trace has "
        << golden.size();
    return out.str();
  }
  return "";
}

TEST(GoldenReplay, ReproducesTheGoldenTrace) {
  std::vector<std::string> golden = ReadLines(kGoldenTrace);
  ASSERT_GT(golden.size(), 1000u) << "no golden trace at " << kGoldenTrace;
  std::string trace = testing::TempDir() + "golden_replay.trace";
  ASSERT_EQ(RunReplayTool(std::string("--input ") + kGoldenInput + " --picture-hash --trace " + trace), 0);
  std::vector<std::string> replay = ReadLines(trace);
  if (replay != golden)
    ADD_FAILURE() << FirstDifference(golden, replay)
                  << "\nregenerate with tools/replay/update-golden.sh BUILD_DIR if the change is intended";
}

// The script is only worth its trace if the game really went through its
// paces: checked on the committed trace, so that a regenerated golden trace
// that no longer covers them is noticed.
TEST(GoldenReplay, TraceCoversTheGame) {
  std::vector<std::string> golden = ReadLines(kGoldenTrace);
  ASSERT_FALSE(golden.empty());
  std::map<int, int> effects;           // effect -> frames that played it
  std::map<std::string, int> changes;   // "from>to" mode changes
  int previousMode = -1, previousFrame = 0, gaps = 0, maxScore = 0;
  for (const std::string& line : golden) {
    std::map<std::string, std::string> f;
    for (auto& kv : TraceFields(line)) f[kv.first] = kv.second;
    int frame = std::atoi(f["frame"].c_str());
    int mode = std::atoi(f["mode"].c_str());
    maxScore = std::max(maxScore, std::atoi(f["score"].c_str()));
    if (frame != previousFrame + 1) gaps++;  // overlay frames run no step
    if (previousMode >= 0 && mode != previousMode)
      changes[std::to_string(previousMode) + ">" + std::to_string(mode)]++;
    std::string list = f["effects"];
    for (size_t i = 1; i + 1 < list.size();) {
      size_t end = list.find_first_of(",]", i);
      effects[std::atoi(list.substr(i, end - i).c_str())]++;
      i = end + 1;
    }
    previousMode = mode;
    previousFrame = frame;
  }
  EXPECT_GE(changes["3>4"], 1) << "title -> wipe";
  EXPECT_GE(changes["4>0"], 1) << "wipe -> launch";
  EXPECT_GE(changes["0>1"], 2) << "launch -> play, twice (with the restart)";
  EXPECT_GE(changes["1>2"], 1) << "a hazard ends a game";
  EXPECT_GE(changes["2>0"], 1) << "restart from the game-over screen";
  EXPECT_GE(changes["1>3"] + changes["0>3"] + changes["2>3"], 1) << "a reset back to the title";
  EXPECT_GE(gaps, 1) << "frames of the pause overlay";
  EXPECT_GE(effects[11], 3) << "strikes";
  EXPECT_GE(maxScore, 3);
  EXPECT_GE(effects[14], 1) << "creature wall bounces";
  EXPECT_GE(effects[15], 1) << "ball bounces";
  EXPECT_GE(effects[16], 1) << "game over";
  EXPECT_GE(effects[17], 2) << "game starts";
  EXPECT_GE(effects[22], 1) << "the title completed";
  EXPECT_NE(golden.back().find("\"picture\":\""), std::string::npos);
}

// The script's timing: keys listed for frame N are held when frame N
// begins; "reset" before frame N makes N the first title frame; overlay
// frames count but run no step.
TEST(ReplayTool, ScriptEventsTakeEffectOnTheirFrame) {
  std::string dir = testing::TempDir();
  std::string script = dir + "replay_timing.input", trace = dir + "replay_timing.trace";
  // Fire is accepted from title frame 201 on; one frame early, the held key
  // would never be a new press.
  std::ofstream(script) << "200 space\n202\n203 space\n204\n"
                           "240 escape\n241\n245 f1\n246\n"
                           "260 reset\n";
  ASSERT_EQ(RunReplayTool("--input " + script + " --frames 262 --trace " + trace), 0);
  std::map<int, std::map<std::string, std::string>> frames;
  for (const std::string& line : ReadLines(trace)) {
    std::map<std::string, std::string> f;
    for (auto& kv : TraceFields(line)) f[kv.first] = kv.second;
    frames[std::atoi(f["frame"].c_str())] = f;
  }
  EXPECT_EQ(frames[202]["mode"], "3");
  EXPECT_EQ(frames[203]["mode"], "4");  // the wipe starts in frame 203
  EXPECT_EQ(frames[203]["timer"], "0");
  EXPECT_EQ(frames[204]["wipeCount"], "1");
  EXPECT_EQ(frames.count(239), 1u);
  for (int n = 240; n <= 244; n++) EXPECT_EQ(frames.count(n), 0u) << "overlay frame " << n;
  EXPECT_EQ(frames.count(245), 1u);  // F1 closed the overlay
  EXPECT_EQ(frames[259]["mode"], "0");
  EXPECT_EQ(frames[260]["mode"], "3");  // the reset restarted the title
  EXPECT_EQ(frames[260]["timer"], "1");
  EXPECT_EQ(frames.rbegin()->first, 262);
}

TEST(ReplayTool, WritesPicturesAndSoundForTheFramesRun) {
  std::string dir = testing::TempDir();
  std::string shot = dir + "replay_shot.png", wave = dir + "replay_sound.wav";
  std::remove(shot.c_str());
  ASSERT_EQ(RunReplayTool("--frames 301 --shot 300:" + shot + " --audio " + wave), 0);
  std::ifstream png(shot, std::ios::binary);
  unsigned char header[24] = {};
  png.read(reinterpret_cast<char*>(header), sizeof header);
  ASSERT_TRUE(png.good());
  EXPECT_EQ(header[1], 'P');
  EXPECT_EQ((header[16] << 24 | header[17] << 16 | header[18] << 8 | header[19]), 320);
  EXPECT_EQ((header[20] << 24 | header[21] << 16 | header[22] << 8 | header[23]), 240);
  std::ifstream wav(wave, std::ios::binary | std::ios::ate);
  // 44 header bytes, round(301 x 220.5) = 66371 samples and a pad byte.
  EXPECT_EQ((long)wav.tellg(), 44 + 66371 + 1);
}

TEST(ReplayTool, BadArgumentsAndScriptsExitWith2AndSayWhy) {
  std::string dir = testing::TempDir();
  std::string errors = dir + "replay_errors.txt";
  auto said = [&] {
    std::ifstream in(errors);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(RunReplayTool("--frames 10 --bogus", errors), 2);
  EXPECT_NE(said().find("--bogus"), std::string::npos);
  EXPECT_EQ(RunReplayTool("--input " + dir + "no_such_script.input", errors), 2);
  EXPECT_NE(said().find("no_such_script.input"), std::string::npos);
  std::string script = dir + "replay_bad.input";
  std::ofstream(script) << "# fine\n1 space\n5 left jump\n";
  EXPECT_EQ(RunReplayTool("--input " + script, errors), 2);
  EXPECT_NE(said().find("line 3"), std::string::npos);
  EXPECT_NE(said().find("jump"), std::string::npos);
  EXPECT_EQ(RunReplayTool("--frames 10 --trace /nonexistent/dir/t.trace", errors), 2);
  EXPECT_NE(said().find("/nonexistent/dir/t.trace"), std::string::npos);
}

}  // namespace
