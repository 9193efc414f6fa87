target_sources(norvane PRIVATE)
