// Keeps the support library non-empty while the suites grow.
namespace sentinex::testing { int supportAnchor = 0; }
