// Fuzzes the interactive dialogue with any console input, in the order a run asks its questions.
// The end of the input ends the dialogue with NurvoError; whatever was typed, the parameters must
// stay usable: the distance between surfacings and the speeds above 0, the flags as the answers
// set them.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzzCheck.h"
#include "nurvoError.h"
#include "nurvo_user_if.h"

namespace {

using nurvo::fuzz::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nurvo::StringConsole con(std::string(reinterpret_cast<const char*>(data), size));
  nurvo::MissionParams params;
  try {
    nurvo::queryDialogue(con, params);
    check(params.yoyoMission == 0 || params.yoyoMission == 1, "yes or no");
    check(params.sorbelMission == 0 || params.sorbelMission == 1, "yes or no");
  } catch (const nurvo::NurvoError& e) {
    check(*e.what() != '\0', "the end of the dialogue is explained");
  }
  check(params.maxLegMeters > 0.0, "the distance between surfacings stays above 0");
  check(params.missionSpeed > 0.0 && params.missionSpeedSlow > 0.0, "the speeds stay above 0");
  return 0;
}
