#include "app/program.h"

#include <new>

#include "app/analysis_run.h"
#include "input/data.h"
#include "input/missing_value.h"
#include "status/exit_status.h"
#include "status/run_failure.h"

int runProgram(std::istream& in, std::ostream& out, RunProgress* progress) {
  out << "Input the radius value (0, 2, 4, 6,8 ...): " << std::flush;
  int radius = 0;
  // A non-numeric answer is not an error: the run goes on with radius 0.
  in >> radius;
  try {
    Data parents("parents.PAR", kMissingValue, "#");
    Data sons("sons.PRO", kMissingValue, "#");
    const std::vector<std::string> unwritten =
        runAnalysis(parents, sons, radius, kMissingValue, progress);
    if (!unwritten.empty()) {
      for (const std::string& name : unwritten) out << "can not write " << name << " output file\n";
      out << std::flush;
      return ExitFailure;
    }
  } catch (const RunFailure& failure) {
    out << failure.what() << std::flush;
    return failure.status();
  } catch (const std::bad_alloc&) {
    // A radius so wide that the family list outgrows memory: say so plainly
    // instead of aborting; reports already begun are incomplete.
    out << "not enough memory to finish the analysis\n" << std::flush;
    return ExitFailure;
  }
  out << "\nDONE" << std::endl;
  return ExitSuccess;
}
