# What `make architecture` draws (cmake --graphviz reads this file): the project's libraries
# and programs and the links between them, the lowest layer at the bottom; no system or Qt
# libraries, no tests, benchmarks or fuzz targets, and one picture only.
set(GRAPHVIZ_GRAPH_NAME "KorwendoGra")
set(GRAPHVIZ_GRAPH_HEADER "node [ fontsize = \"11\", fontname = \"Liberation Sans\" ];")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_INTERFACE_LIBS FALSE)
set(GRAPHVIZ_UNKNOWN_LIBS FALSE)
set(GRAPHVIZ_CUSTOM_TARGETS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "_test$" "^bench_" "^fuzz_" "_test_scale2$")
