#include <cstdio>
#include <cstring>

// Placeholder: writes an art table with no images.
int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "--cpp") != 0) return 2;
    FILE* f = std::fopen(argv[2], "w");
    if (!f) return 1;
    std::fprintf(f, "#include \"ui/art/ArtCatalogue.h\"\nconst unsigned char* Art::EmbeddedPNG(int, size_t* "
                    "size) {\n    *size = 0;\n    return nullptr;\n}\n");
    std::fclose(f);
    return 0;
}
