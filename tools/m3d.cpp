#include <cstdio>
int main() { std::puts("m3d"); return 0; }
