// A loadable library of the engine's version without the engine's exports.
extern "C" __declspec(dllexport) int lzg_fake_libcef_marker() { return 1; }
