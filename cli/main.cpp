#include <cstdio>
int main() { std::puts("kalvire-cli"); return 0; }
