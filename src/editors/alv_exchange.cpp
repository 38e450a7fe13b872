#include "alv_exchange.h"

#include "link/glb.h"

namespace {

void Start(TGlb& g) {
  g.BeginExchange("", 0);
  g.DrainInput();
  g.EnterServiceMode();
  g.DrainInput();
}

// Writes command + CR and reads the answer; false on time-out.
bool Ask(TGlb& g, const Text& command, Text* answer) {
  g.Serial.WriteText(command + "\r");
  *answer = g.ReadAnswer();
  return g.TimeoutTicks > 0;
}

}  // namespace

AlvResult ReadAlv(AlvReading* reading) {
  TGlb& g = *Glb;
  *reading = {};
  // Two exchanges at once would read each other's answers.
  if (g.Busy) return AlvResult::Refused;
  Start(g);
  const bool answered = [&] {
    Text answer;
    if (!Ask(g, kAlvReadCheckCommand, &answer)) return false;
    if (!Ask(g, kAlvReadParamsCommand, &answer)) return false;
    reading->ParamsRead = true;
    reading->Params = ParseAlvParameterLine(answer);
    if (!Ask(g, kAlvReadSerialCommand, &answer)) return false;
    reading->SerialRead = true;
    reading->SerialAnswer = answer;
    reading->Serial = ParseAlvSerialAnswer(answer);
    return true;
  }();
  g.EndExchange();
  return answered ? AlvResult::Done : AlvResult::TimedOut;
}

AlvResult WriteAlv(const AlvParams& params, const Text& serialText) {
  TGlb& g = *Glb;
  if (g.Busy) return AlvResult::Refused;
  Start(g);
  const bool answered = [&] {
    Text answer;
    if (!Ask(g, AlvWriteParamsCommand(params), &answer)) return false;
    if (!Ask(g, AlvWriteSerialCommand(serialText), &answer)) return false;
    return Ask(g, AlvStoreCommand(), &answer);
  }();
  g.EndExchange();
  return answered ? AlvResult::Done : AlvResult::TimedOut;
}
