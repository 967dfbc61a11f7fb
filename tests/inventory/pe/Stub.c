/* The smallest DLL the linker makes; it exists only for its version resource, if any. */
int qeb_pe_stub(void) {
    return 0;
}
