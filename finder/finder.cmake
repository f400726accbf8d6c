# The missing-files finder wizard's sources: none yet.
