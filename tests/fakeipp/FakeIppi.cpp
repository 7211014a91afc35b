// Stand-in for the IPP image library.
extern "C" int fakeSharedEntry() { return 1; }  // also exported by the colour-conversion stand-in
extern "C" int ippiSet_8u_C4R() { return 1; }
