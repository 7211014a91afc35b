// Stand-in for the IPP core library: nothing is looked up in it.
extern "C" int ippGetLibVersion() { return 7; }
