// The resource files themselves are added by qt_add_resources; this library only carries them.
namespace tarsel::resources {
int linkAnchor = 0;
}
