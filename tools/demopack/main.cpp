#include <cstdio>
int main() { std::puts("demopack: not built yet"); return 1; }
