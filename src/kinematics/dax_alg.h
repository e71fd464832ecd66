// Umbrella header of the kinematics library dax_alg: arm models and DH
// lengths, forward and inverse kinematics. Library angles are q = -theta of
// the SDK angles; rotation matrices are row-major.
#ifndef DAX_ALG_H
#define DAX_ALG_H

#include "dax_alg_types.h"
#include "dax_alg_model.h"
#include "dax_alg_fk.h"
#include "dax_alg_ik.h"
#include "dax_alg_matrix.h"
#include "dax_alg_tool_calib.h"
#include "dax_alg_user_coord.h"

#endif
