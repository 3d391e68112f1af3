// Stands in for the companion display application: only its version resource matters.
int main() { return 0; }
