#include "missionParams.h"

#include <stdexcept>

namespace nurvo {

namespace {

using P = MissionParams;
using K = ParamKind;
using C = ParamConstraint;

constexpr ParamRow intParam(const char* name, char shortOption, K kind, int P::*member) {
  return {name, shortOption, kind, member, nullptr, "%d", C::none, nullptr};
}
constexpr ParamRow doubleParam(const char* name, double P::*member, const char* format,
                               C constraint = C::none, const char* refusal = nullptr) {
  return {name, 0, K::decimalNumber, nullptr, member, format, constraint, refusal};
}

constexpr ParamRow table[] = {
    intParam("gpsHits", 0, K::wholeNumber, &P::gpsHits),
    intParam("sorbelMission", 0, K::flag, &P::sorbelMission),
    intParam("abortOnTimeout", 'c', K::flag, &P::abortOnTimeout),
    intParam("yoyoMission", 'd', K::flag, &P::yoyoMission),
    intParam("yoyoMinAltitude", 0, K::wholeNumber, &P::yoyoMinAltitude),
    intParam("missionYoyoMinDepth", 'f', K::wholeNumber, &P::missionYoyoMinDepth),
    intParam("missionYoyoMaxDepth", 0, K::wholeNumber, &P::missionYoyoMaxDepth),
    intParam("missionYoyoMaxDepthShallow", 0, K::wholeNumber, &P::missionYoyoMaxDepthShallow),
    doubleParam("missionSpeed", &P::missionSpeed, "%.3f", C::greaterThanZero,
                "the speed must be greater than 0"),
    doubleParam("missionSpeedSlow", &P::missionSpeedSlow, "%.3f", C::greaterThanZero,
                "the speed must be greater than 0"),
    doubleParam("maxLegMeters", &P::maxLegMeters, "%.1f", C::greaterThanZero,
                "the distance between surfacings must be greater than 0"),
    doubleParam("minDepth", &P::minDepth, "%.1f"),
    doubleParam("maxDepth", &P::maxDepth, "%.1f"),
    doubleParam("abortDepth", &P::abortDepth, "%.1f"),
    doubleParam("abortAltitude", &P::abortAltitude, "%.1f"),
    doubleParam("abortLockoutDepth", &P::abortLockoutDepth, "%.1f"),
    doubleParam("diveAngle", &P::diveAngle, "%.1f"),
    doubleParam("wayPointDepth", &P::wayPointDepth, "%.1f"),
};

}  // namespace

std::span<const ParamRow> paramTable() {
  return table;
}

const ParamRow& paramRow(int MissionParams::*member) {
  for (const ParamRow& row : table) {
    if (row.intMember == member) return row;
  }
  throw std::logic_error("a whole-number parameter without a row in the parameter table");
}

const ParamRow& paramRow(double MissionParams::*member) {
  for (const ParamRow& row : table) {
    if (row.doubleMember == member) return row;
  }
  throw std::logic_error("a decimal parameter without a row in the parameter table");
}

bool meetsConstraint(const ParamRow& row, double value) {
  switch (row.constraint) {
    case ParamConstraint::greaterThanZero: return value > 0.0;
    case ParamConstraint::none: break;
  }
  return true;
}

long long wholeHours(double seconds) {
  return static_cast<long long>(seconds / 3600.0);
}

long long leftoverMinutes(double seconds) {
  return static_cast<long long>(seconds) % 3600 / 60;
}

long long missionTimerSecs(double missionTime) {
  return static_cast<long long>(missionTime * missionTimerFactor);
}

}  // namespace nurvo
