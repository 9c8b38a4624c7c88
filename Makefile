# Shortcuts for tools/dev.sh, for those who have make.
.PHONY: run test build install
run test build install:
	@bash tools/dev.sh $@
