// Model table and process-wide DH lengths of the kinematics library.
#include "dax_alg_model.h"

namespace {

struct DhRow {
  double a2, a3, d1, d2, d4, d5, d6;
};

// Default lengths [m] per model 0..6.
constexpr DhRow kModelTable[7] = {
    {0.408, 0.376, 0.0985, 0.1215, -0.019, 0.1025, 0.094},   // 0 heron
    {0.552, 0.495, 0.1632, 0.178, 0.0, 0.1025, 0.094},       // 1 egret
    {0.632, 0.6005, 0.1632, 0.2013, 0.0, 0.1025, 0.094},     // 2 stork
    {0.229, 0.2015, 0.1395, 0.11055, 0.0, 0.08955, 0.09055}, // 3 crane
    {0.266, 0.2565, 0.157, 0.119, 0.0, 0.1025, 0.094},       // 4 wren
    {0.245, 0.215, 0.1215, 0.1215, -0.019, 0.1025, 0.094},   // 5 ibis
    {0.608, 0.6395, 0.1215, 0.1215, -0.019, 0.1025, 0.094},  // 6 rail
};

void loadRow(const DhRow& r) {
  dax_alg::a2 = r.a2;
  dax_alg::a3 = r.a3;
  dax_alg::d1 = r.d1;
  dax_alg::d2 = r.d2;
  dax_alg::d4 = r.d4;
  dax_alg::d5 = r.d5;
  dax_alg::d6 = r.d6;
}

}  // namespace

namespace dax_alg {
int robot_type = 0;
double a2 = kModelTable[0].a2;
double a3 = kModelTable[0].a3;
double d1 = kModelTable[0].d1;
double d2 = kModelTable[0].d2;
double d4 = kModelTable[0].d4;
double d5 = kModelTable[0].d5;
double d6 = kModelTable[0].d6;
}  // namespace dax_alg

int getRobotType() { return dax_alg::robot_type; }

bool setDhParaLen(kavi_robot_type type) {
  const int t = static_cast<int>(type);
  if (t >= 1 && t <= 6) {
    dax_alg::robot_type = t;
    loadRow(kModelTable[t]);
    return true;
  }
  dax_alg::robot_type = 0;
  loadRow(kModelTable[0]);
  return t == 0;
}

void getDhPara(double& a2, double& a3, double& d1, double& d2, double& d5, double& d6,
               double* d4) {
  a2 = dax_alg::a2;
  a3 = dax_alg::a3;
  d1 = dax_alg::d1;
  d5 = dax_alg::d5;
  d6 = dax_alg::d6;
  if (d4 != nullptr) {
    *d4 = dax_alg::d4;
    d2 = dax_alg::d2 - dax_alg::d4;
  } else {
    d2 = dax_alg::d2;
  }
}

void modifyDhParaLen(float* da, float* dd) {
  if (da == nullptr || dd == nullptr) return;
  dax_alg::a2 += da[2];
  dax_alg::a3 += da[3];
  dax_alg::d1 += dd[0];
  const float lateral = dd[1] + dd[3];
  dax_alg::d2 += lateral;
  dax_alg::d5 += dd[4];
  dax_alg::d6 += dd[5];
  dax_alg::d4 += dd[3];
}
