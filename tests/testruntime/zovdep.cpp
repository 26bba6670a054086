// The dependency of the dependency-loading fixture: one copy in the
// runtime's bin directory and decoys elsewhere, told apart by their identity.
extern "C" __declspec(dllexport) const char* ZovDepIdentity() {
  return ZOV_DEP_IDENTITY;
}
