// Benchmark of the arm kinematics on model 0 against orocos KDL: forward
// kinematics (closed form, and the service call with its quaternion) against
// ChainFkSolverPos_recursive, and the closed-form inverse (all candidates,
// position check, nearest choice) against ChainIkSolverPos_LMA seeded with
// zeros and with the true angles +-0.1 rad. Success of every IK solver is
// judged by the forward error of its answer, never by its return code.
#include <benchmark/benchmark.h>

#include <kdl/chain.hpp>
#include <kdl/chainfksolverpos_recursive.hpp>
#include <kdl/chainiksolverpos_lma.hpp>
#include <kdl/frames.hpp>
#include <kdl/jntarray.hpp>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "Ikfunc.h"
#include "RobotGeometryTypes.h"
#include "RobotUtilService.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kTargets = 10000;
constexpr double kSuccessTolerance = 1e-6;  // [m] and [rad]
constexpr unsigned kSeed = 4242;

// The arm as a KDL chain in SDK angles, from the active DH lengths: joint 1
// about +z, joints 2 and 4 about -y, joint 3 about +y, joint 5 about +z,
// joint 6 about -y, axes placed as in the zero pose (arm straight up).
KDL::Chain buildChain() {
  double a2, a3, d1, d2, d5, d6;
  getDhPara(a2, a3, d1, d2, d5, d6, nullptr);
  using KDL::Frame;
  using KDL::Joint;
  using KDL::Segment;
  using KDL::Vector;
  KDL::Chain chain;
  chain.addSegment(Segment(Joint(Joint::RotZ), Frame(Vector(0, 0, d1))));
  chain.addSegment(Segment(Joint(Joint::RotY, -1), Frame(Vector(0, 0, a2))));
  chain.addSegment(Segment(Joint(Joint::RotY), Frame(Vector(0, 0, a3))));
  chain.addSegment(Segment(Joint(Joint::RotY, -1), Frame(Vector(0, -d2, d5))));
  chain.addSegment(Segment(Joint(Joint::RotZ), Frame(Vector(0, -d6, 0))));
  chain.addSegment(Segment(Joint(Joint::RotY, -1),
                           Frame(KDL::Rotation(1, 0, 0, 0, 0, -1, 0, 1, 0), Vector(0, 0, 0))));
  return chain;
}

struct Target {
  double theta[6];   // generating SDK angles
  double nearSeed[6];
  kavi_robot_namespace::wayPoint_S pose;
  KDL::Frame frame;
};

KDL::Frame frameOf(const kavi_robot_namespace::wayPoint_S& wp) {
  const auto& p = wp.cartPos.position;
  const auto& o = wp.orientation;
  return KDL::Frame(KDL::Rotation::Quaternion(o.x, o.y, o.z, o.w), KDL::Vector(p.x, p.y, p.z));
}

// Largest of the position miss [m] and the rotation angle [rad] of `f`
// against the target.
double forwardError(const KDL::Frame& f, const KDL::Frame& target) {
  const double dp = (f.p - target.p).Norm();
  const KDL::Vector rot = KDL::diff(f.M, target.M);
  return std::fmax(dp, rot.Norm());
}

std::vector<Target> makeTargets(std::mt19937_64& rng) {
  std::uniform_real_distribution<double> angle(-kPi, kPi);
  std::uniform_real_distribution<double> offset(-0.1, 0.1);
  std::vector<Target> targets(kTargets);
  for (Target& t : targets) {
    for (int i = 0; i < 6; ++i) {
      t.theta[i] = angle(rng);
      t.nearSeed[i] = t.theta[i] + offset(rng);
    }
    RobotUtilService::robotFk(t.theta, 6, t.pose);
    t.frame = frameOf(t.pose);
  }
  return targets;
}

// Both forward solutions agree on random angles; false if they do not.
bool checkChain(const KDL::Chain& chain, const std::vector<Target>& targets) {
  KDL::ChainFkSolverPos_recursive fk(chain);
  KDL::JntArray q(6);
  double worst = 0;
  for (const Target& t : targets) {
    for (int i = 0; i < 6; ++i) q(i) = t.theta[i];
    KDL::Frame f;
    fk.JntToCart(q, f);
    double lib[6], pos[3], rot[9];
    for (int i = 0; i < 6; ++i) lib[i] = -t.theta[i];
    ComputeFkLib(lib, pos, rot);
    for (int i = 0; i < 3; ++i) worst = std::fmax(worst, std::fabs(pos[i] - f.p(i)));
    for (int i = 0; i < 9; ++i) worst = std::fmax(worst, std::fabs(rot[i] - f.M.data[i]));
  }
  std::printf("KDL chain against the closed form: largest difference %.3g over %d angle sets\n",
              worst, kTargets);
  return worst <= 1e-12;
}

std::vector<Target> g_targets;
KDL::Chain g_chain;

void BM_ComputeFkLib(benchmark::State& state) {
  size_t i = 0;
  double q[6], pos[3], rot[9];
  for (auto _ : state) {
    const Target& t = g_targets[i++ % g_targets.size()];
    for (int j = 0; j < 6; ++j) q[j] = -t.theta[j];
    ComputeFkLib(q, pos, rot);
    benchmark::DoNotOptimize(pos);
    benchmark::DoNotOptimize(rot);
  }
}

void BM_robotFk(benchmark::State& state) {
  size_t i = 0;
  kavi_robot_namespace::wayPoint_S wp;
  for (auto _ : state) {
    const Target& t = g_targets[i++ % g_targets.size()];
    RobotUtilService::robotFk(t.theta, 6, wp);
    benchmark::DoNotOptimize(wp);
  }
}

void BM_KdlFk(benchmark::State& state) {
  KDL::ChainFkSolverPos_recursive fk(g_chain);
  KDL::JntArray q(6);
  KDL::Frame f;
  size_t i = 0;
  for (auto _ : state) {
    const Target& t = g_targets[i++ % g_targets.size()];
    for (int j = 0; j < 6; ++j) q(j) = t.theta[j];
    fk.JntToCart(q, f);
    benchmark::DoNotOptimize(f);
  }
}

void BM_robotIk(benchmark::State& state) {
  size_t i = 0;
  kavi_robot_namespace::wayPoint_S wp;
  for (auto _ : state) {
    const Target& t = g_targets[i++ % g_targets.size()];
    benchmark::DoNotOptimize(RobotUtilService::robotIk(t.nearSeed, t.pose.cartPos.position,
                                                       t.pose.orientation, wp));
    benchmark::DoNotOptimize(wp);
  }
}

template <bool kNearSeed>
void BM_KdlLma(benchmark::State& state) {
  KDL::ChainIkSolverPos_LMA ik(g_chain, 1e-9);
  KDL::JntArray seed(6), out(6);
  size_t i = 0;
  for (auto _ : state) {
    const Target& t = g_targets[i++ % g_targets.size()];
    for (int j = 0; j < 6; ++j) seed(j) = kNearSeed ? t.nearSeed[j] : 0.0;
    benchmark::DoNotOptimize(ik.CartToJnt(seed, t.frame, out));
    benchmark::DoNotOptimize(out);
  }
}

// Success rate over all targets, by the forward error of each answer.
double ourSuccess() {
  KDL::ChainFkSolverPos_recursive fk(g_chain);
  int ok = 0;
  for (const Target& t : g_targets) {
    kavi_robot_namespace::wayPoint_S wp;
    if (RobotUtilService::robotIk(t.nearSeed, t.pose.cartPos.position, t.pose.orientation, wp) != 0)
      continue;
    KDL::JntArray q(6);
    for (int j = 0; j < 6; ++j) q(j) = wp.jointpos[j];
    KDL::Frame f;
    fk.JntToCart(q, f);
    if (forwardError(f, t.frame) <= kSuccessTolerance) ++ok;
  }
  return 100.0 * ok / g_targets.size();
}

double lmaSuccess(bool nearSeed) {
  KDL::ChainFkSolverPos_recursive fk(g_chain);
  KDL::ChainIkSolverPos_LMA ik(g_chain, 1e-9);
  KDL::JntArray seed(6), out(6);
  int ok = 0;
  for (const Target& t : g_targets) {
    for (int j = 0; j < 6; ++j) seed(j) = nearSeed ? t.nearSeed[j] : 0.0;
    ik.CartToJnt(seed, t.frame, out);  // its code is not trusted
    KDL::Frame f;
    fk.JntToCart(out, f);
    if (forwardError(f, t.frame) <= kSuccessTolerance) ++ok;
  }
  return 100.0 * ok / g_targets.size();
}

// Console output as usual, and the time per call of each benchmark kept.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration) ns[r.benchmark_name()] = r.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> ns;
};

}  // namespace

int main(int argc, char** argv) {
  setDhParaLen(kavi_heron);
  std::mt19937_64 rng(kSeed);
  g_targets = makeTargets(rng);
  g_chain = buildChain();
  if (!checkChain(g_chain, g_targets)) {
    std::fprintf(stderr, "the KDL chain does not match the closed form: no comparison\n");
    return 1;
  }

  benchmark::RegisterBenchmark("FK/ComputeFkLib", BM_ComputeFkLib)->Unit(benchmark::kNanosecond);
  benchmark::RegisterBenchmark("FK/robotFk", BM_robotFk)->Unit(benchmark::kNanosecond);
  benchmark::RegisterBenchmark("FK/KDL_recursive", BM_KdlFk)->Unit(benchmark::kNanosecond);
  benchmark::RegisterBenchmark("IK/robotIk", BM_robotIk)->Unit(benchmark::kNanosecond);
  benchmark::RegisterBenchmark("IK/KDL_LMA_near_seed", BM_KdlLma<true>)->Unit(benchmark::kNanosecond);
  benchmark::RegisterBenchmark("IK/KDL_LMA_zero_seed", BM_KdlLma<false>)->Unit(benchmark::kNanosecond);
  benchmark::Initialize(&argc, argv);
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  auto& ns = reporter.ns;
  auto ratio = [&](const char* slow, const char* fast) {
    return ns.count(slow) && ns.count(fast) && ns[fast] > 0 ? ns[slow] / ns[fast] : 0.0;
  };
  std::printf("\nCPU ns per call (seed %u, %d reachable targets, model 0):\n", kSeed, kTargets);
  for (const auto& [name, t] : ns) std::printf("  %-24s %10.1f\n", name.c_str(), t);
  std::printf("ratios:\n");
  std::printf("  KDL FK / ComputeFkLib        %8.1fx\n", ratio("FK/KDL_recursive", "FK/ComputeFkLib"));
  std::printf("  KDL FK / robotFk             %8.1fx\n", ratio("FK/KDL_recursive", "FK/robotFk"));
  std::printf("  LMA near seed / robotIk      %8.1fx\n", ratio("IK/KDL_LMA_near_seed", "IK/robotIk"));
  std::printf("  LMA zero seed / robotIk      %8.1fx\n", ratio("IK/KDL_LMA_zero_seed", "IK/robotIk"));
  std::printf("success (forward error <= %g m and rad):\n", kSuccessTolerance);
  std::printf("  robotIk                      %7.2f %%\n", ourSuccess());
  std::printf("  KDL LMA near seed            %7.2f %%\n", lmaSuccess(true));
  std::printf("  KDL LMA zero seed            %7.2f %%\n", lmaSuccess(false));
  return 0;
}
