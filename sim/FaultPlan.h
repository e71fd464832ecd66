// Faults the simulated controller injects on request: per command type a
// delayed, dropped or garbled response, a chosen controller error code, or the
// completion event sent ahead of the response; plus the outcome of start-up and
// a close armed for the middle of the next move. Thread-safe.
#ifndef KAVISIM_FAULT_PLAN_H
#define KAVISIM_FAULT_PLAN_H

#include <map>
#include <mutex>

namespace kavisim {

struct CommandFault {
  int delayMs = 0;                   // response goes out this much later
  bool drop = false;                 // no response at all (the command still acts)
  bool garble = false;               // response text replaced by bytes that do not parse
  int errorCode = 0;                 // non-zero: the command is refused with this code
  bool eventBeforeResponse = false;  // the completion event overtakes the response
  int remaining = -1;                // requests still affected; -1 = until cleared
};

class FaultPlan {
 public:
  void set(int commandType, const CommandFault& fault);
  void clear(int commandType);
  void clearAll();
  // The fault of `commandType` for one request, if any (counts it down).
  bool take(int commandType, CommandFault& fault);

  // Event code of the start-up-done event (ROBOT_SERVICE_WORKING by default).
  void setStartupResult(int code);
  int startupResult() const;

  // Close every connection once the next move is half done.
  void armCloseMidMove(bool armed);
  // True once, when armed (disarms).
  bool takeCloseMidMove();
  bool closeMidMoveArmed() const;

 private:
  mutable std::mutex m_mutex;
  std::map<int, CommandFault> m_faults;
  int m_startupResult = 2;
  bool m_closeMidMove = false;
};

}  // namespace kavisim

#endif
