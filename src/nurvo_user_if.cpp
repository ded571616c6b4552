#include "nurvo_user_if.h"

#include "nurvoError.h"

namespace nurvo {

std::string readFileName(Console& con) {
  std::string name;
  for (int c = con.get(); c != '\n'; c = con.get()) {
    if (c == EOF) {
      if (name.empty()) throw NurvoError("\nend of console input: no mission written\n");
      break;
    }
    name.push_back(static_cast<char>(c));
  }
  if (!name.empty() && name.back() == '\r') name.pop_back();
  return name;
}

int queryMissionParameters(Console&, MissionParams&) { return 0; }
int queryYoYoParameters(Console&, MissionParams&) { return 0; }
int queryYoyo(Console&) { return 1; }
int querySorbel(Console&) { return 1; }
double get_wayPointDepth(Console&, MissionParams& params) { return params.wayPointDepth; }

}  // namespace nurvo
