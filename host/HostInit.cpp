// placeholder replaced by the simulated spooler
