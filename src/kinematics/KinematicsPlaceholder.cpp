// Replaced by the kinematics sources.
int rskavi_kinematics_placeholder() { return 0; }
