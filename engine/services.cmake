# sources of this area: target_sources(...)
