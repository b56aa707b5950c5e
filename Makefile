# The Octave package. The developer build is CMake (see the README).
#   make dist    the package archive dist/boxgraph-<version>.tar.gz, which
#                `pkg install` compiles with mkoctfile through src/Makefile
#   make clean   removes dist/
VERSION := $(shell sed -n 's/^Version: *//p' DESCRIPTION)
PACKAGE := boxgraph-$(VERSION)
STAGE := dist/$(PACKAGE)

include modules.mk

# What the archive's src/ holds: every source of modules.mk and the headers,
# in the repository's layout, so src/Makefile reads the same list.
SOURCES := $(sort $(foreach m,$(MODULES),$($(m)_SOURCES)))
HEADERS := $(wildcard $(addsuffix /*.h,$(INCLUDE_DIRS)))
# The m-files that carry the help of the MEX functions (strongcomp/strongcomp.m).
HELP := $(wildcard $(foreach m,$(MODULES),$(m)/$(m).m))
INST := $(shell find inst -name '*.m')

dist: dist/$(PACKAGE).tar.gz

dist/$(PACKAGE).tar.gz: DESCRIPTION INDEX NEWS COPYING modules.mk src/Makefile \
                        $(SOURCES) $(HEADERS) $(HELP) $(INST)
	rm -rf $(STAGE)
	mkdir -p $(STAGE)/src
	cp DESCRIPTION INDEX NEWS COPYING $(STAGE)/
	cp --parents $(INST) $(STAGE)/
	cp $(HELP) $(STAGE)/inst/
	cp src/Makefile modules.mk $(STAGE)/src/
	cp --parents $(SOURCES) $(HEADERS) $(STAGE)/src/
	tar -C dist -czf $@ $(PACKAGE)
	rm -rf $(STAGE)

clean:
	rm -rf dist

.PHONY: dist clean
