# Shortcuts for tools/dev.sh, for those who have make.
.PHONY: run test build install screenshot
run test build install screenshot:
	@bash tools/dev.sh $@
