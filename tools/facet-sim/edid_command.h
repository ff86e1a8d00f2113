// facet-sim edid: decodes EDID blocks with the engine's own decoder, from files or from
// every instance in a machine image's registry.
#pragma once

int EdidCommand(int argc, char** argv);
