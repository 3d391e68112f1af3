// The program the signed fixtures are made from; it is only verified, never run.
int main() { return 0; }
