// libferrolink.so is the subsystems' static libraries linked whole. Loading it runs only their
// static initialisers (loggers, converters, name tables, empty registries); no host function is
// called before the first export.
