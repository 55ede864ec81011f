// Keeps the support library non-empty while it holds only headers.
namespace kx::test {
int support_library_anchor = 0;
}  // namespace kx::test
