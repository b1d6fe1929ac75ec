// The golden replay: the committed key script played through zorrit-replay
// must reproduce the committed trace line by line, and the trace must still
// show the game doing what the script was written to make it do. Then the
// game loop's keys the golden game does not press, through the same tool.
//
// After a deliberate change of the game or its art, regenerate the trace with
// tools/replay/update-golden.sh BUILD_DIR and review the difference.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const kReplay = ZORRIT_REPLAY_EXE;
const char* const kGoldenInput = ZORRIT_SOURCE_DIR "/tests/replay/golden.input";
const char* const kGoldenTrace = ZORRIT_SOURCE_DIR "/tests/replay/golden.trace";

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Runs zorrit-replay with `arguments`; its exit code (-1 when it did not exit
// normally). Standard error goes to `errors` when given.
int RunReplayTool(const std::string& arguments, const std::string& errors = "") {
  int status = std::system((kReplay + (" " + arguments) + (errors.empty() ? "" : " 2>" + errors)).c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A field of a trace line as written: Field(R"({"a":1,"b":[2,3]})", "b") is "[2,3]".
std::string Field(const std::string& line, const std::string& key) {
  size_t at = line.find("\"" + key + "\":");
  if (at == std::string::npos) return "";
  size_t begin = at + key.size() + 3;
  size_t end = line[begin] == '[' ? line.find(']', begin) + 1 : line.find_first_of(",}", begin);
  return line.substr(begin, end - begin);
}
int Number(const std::string& line, const std::string& key) { return std::atoi(Field(line, key).c_str()); }

// A scratch file of this process (runs of other build trees may share the folder).
std::string Scratch(const std::string& name) { return testing::TempDir() + std::to_string(getpid()) + "_" + name; }

TEST(GoldenReplay, ReproducesTheGoldenTrace) {
  std::vector<std::string> golden = ReadLines(kGoldenTrace);
  ASSERT_GT(golden.size(), 1000u) << "no golden trace at " << kGoldenTrace;
  std::string trace = Scratch("golden_replay.trace");
  ASSERT_EQ(RunReplayTool(std::string("--input ") + kGoldenInput + " --picture-hash --trace " + trace), 0);
  std::vector<std::string> replay = ReadLines(trace);
  std::remove(trace.c_str());
  size_t n = 0;
  while (n < golden.size() && n < replay.size() && golden[n] == replay[n]) ++n;
  if (n < golden.size() || n < replay.size())
    ADD_FAILURE() << "the replay parts from the golden trace at line " << n + 1
                  << "\ngolden: " << (n < golden.size() ? golden[n] : "(ended)")
                  << "\nreplay: " << (n < replay.size() ? replay[n] : "(ended)")
                  << "\nregenerate with tools/replay/update-golden.sh BUILD_DIR if the change is intended";
}

// The script is only worth its trace if the game really went through its
// paces: checked on the committed trace, so that a regenerated golden trace
// that no longer covers them is noticed.
TEST(GoldenReplay, TraceCoversTheGame) {
  std::map<std::string, int> seen;  // "3>4": mode changes; "gap": overlay frames; "e 11": effects
  int previousMode = -1, previousFrame = 0;
  std::vector<std::string> golden = ReadLines(kGoldenTrace);
  for (const std::string& line : golden) {
    int frame = Number(line, "frame"), mode = Number(line, "mode");
    seen["gap"] += frame != previousFrame + 1;  // overlay frames run no step
    if (previousMode >= 0 && mode != previousMode) seen[std::to_string(previousMode) + ">" + std::to_string(mode)]++;
    std::string list = Field(line, "effects");
    for (size_t i = 1; i + 1 < list.size(); i = list.find_first_of(",]", i) + 1) seen["e " + std::to_string(std::atoi(&list[i]))]++;
    seen["score"] = std::max(seen["score"], Number(line, "score"));
    previousMode = mode, previousFrame = frame;
  }
  seen["reset"] = seen["0>3"] + seen["1>3"] + seen["2>3"];
  // title -> wipe -> launch -> play (twice, with the restart) -> game over ->
  // restart; a reset to the title; the overlay; strikes, wall bounces of the
  // head and of the ball, game over, game starts and the completed title.
  for (auto [what, least] : std::vector<std::pair<std::string, int>>{
           {"3>4", 1}, {"4>0", 1}, {"0>1", 2}, {"1>2", 1}, {"2>0", 1}, {"reset", 1}, {"gap", 1},
           {"e 11", 3}, {"score", 3}, {"e 14", 1}, {"e 15", 1}, {"e 16", 1}, {"e 17", 2}, {"e 22", 1}})
    EXPECT_GE(seen[what], least) << what;
  ASSERT_FALSE(golden.empty());
  EXPECT_NE(Field(golden.back(), "picture"), "");
}

// The script's timing: keys listed for frame N are held when frame N begins;
// "reset" before frame N makes N the first title frame; overlay frames count
// but run no step. And the pause overlay's keys: F1 closes it (and beats F2
// in the same frame), F2 restarts the title, a menu Reset chosen in it acts
// once it closes, Escape quits; fire held while the title restarts is no press.
TEST(ReplayTool, ScriptEventsAndOverlayKeysTakeEffectOnTheirFrame) {
  std::string script = Scratch("replay_timing.input"), trace = Scratch("replay_timing.trace");
  std::ofstream(script) << "200 space   # too early: fire counts from title frame 201\n202\r\n203\tspace\n204\n"
                           "240 escape\n241\n245 f1\n246\n260 reset\n"
                           "270 escape\n271\n272 f1 f2\n273\n"
                           "280 escape\n281 reset\n283 f1\n284\n"
                           "290 escape\n291\n292 f2 space\n"
                           "501 escape space\n502 space\n503 escape space\n";
  ASSERT_EQ(RunReplayTool("--input " + script + " --frames 600 --trace " + trace), 0);
  std::map<int, std::string> frames;
  for (const std::string& line : ReadLines(trace)) frames[Number(line, "frame")] = line;
  std::remove(script.c_str()), std::remove(trace.c_str());
  auto mode = [&](int n) { return Number(frames.at(n), "mode"); };
  auto timer = [&](int n) { return Number(frames.at(n), "timer"); };
  EXPECT_EQ(mode(202), 3);
  EXPECT_EQ(mode(203), 4);  // the wipe starts in frame 203
  EXPECT_EQ(timer(203), 0);
  EXPECT_EQ(Number(frames.at(204), "wipeCount"), 1);
  for (int n : {240, 241, 242, 243, 244, 270, 271, 280, 281, 282, 290, 291}) EXPECT_EQ(frames.count(n), 0u) << n;
  EXPECT_EQ(frames.count(245), 1u);  // F1 closed the overlay
  EXPECT_EQ(mode(259), 0);
  EXPECT_EQ(mode(260), 3);  // the reset restarted the title
  EXPECT_EQ(timer(260), 1);
  EXPECT_EQ(timer(272), 11);  // F1 and F2 at once: closed, no reset
  EXPECT_EQ(timer(283), 1);   // the Reset chosen in the overlay
  EXPECT_EQ(timer(292), 1);   // F2
  EXPECT_EQ(mode(500), 3);    // fire held since the restart
  EXPECT_GT(timer(500), 200);
  EXPECT_EQ(frames.rbegin()->first, 500);  // Escape in the overlay quit
}

TEST(ReplayTool, BadArgumentsAndScriptsExitWith2AndSayWhy) {
  const std::string input = Scratch("replay_bad.input"), errors = Scratch("replay_errors.txt");
  const std::pair<std::string, std::string> cases[] = {  // arguments, or a script to play
      {"--frames 10 --bogus", "--bogus"},
      {"--input " + Scratch("no_such_script.input"), "no_such_script.input"},
      {"--frames 10 --trace /nonexistent/dir/t.trace", "/nonexistent/dir/t.trace"},
      {"# fine\n1 space\n5 left Left\n", "line 3: unknown key 'Left'"},
      {"5 left\n5 right\n", "line 2: frame 5 does not come after frame 5"},
      {"0 left\n", "line 1: '0' is not a frame number"},
      {"left 5\n", "line 1: 'left' is not a frame number"},
      {"99999999999 left\n", "line 1: '99999999999' is not a frame number"},
  };
  for (const auto& [arguments, says] : cases) {
    if (arguments[0] != '-') std::ofstream(input) << arguments;
    EXPECT_EQ(RunReplayTool(arguments[0] != '-' ? "--input " + input : arguments, errors), 2) << arguments;
    std::ifstream in(errors);
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(in), {}).find(says), std::string::npos) << arguments;
  }
  std::remove(input.c_str()), std::remove(errors.c_str());
}

}  // namespace
