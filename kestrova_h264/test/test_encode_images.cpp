#include "program_support.hpp"
int main(int argc, char ** argv) {return kestrova_h264::test::ProcessTestMain(argc, argv);}
