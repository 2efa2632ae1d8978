"""The corpus runner on Dask: a scheduler the user names, or a local cluster that listens on
an address the user chooses. One task per batch of files."""

from __future__ import annotations

import contextlib
import logging
from typing import Any, Iterator, Optional

from ._corpus_files import Job, read_record
from ._corpus_task import STARTED, analyse_files, analysis_modules, failure_record
from ._local_workers import DIED, start_fork_server


@contextlib.contextmanager
def _client(scheduler: Optional[str], host: Optional[str], workers: int) -> Iterator[Any]:
    """A client of the scheduler named, or of a local cluster of `workers` processes that
    ends with it (the client closes first, then the cluster). Every socket of the local
    cluster, its dashboard's too, listens on `host`; its workers are forked from a preloaded
    server (faster to start and to stop than fresh interpreters) and hold queued files, so
    that none waits for the scheduler between two files."""
    import dask
    from distributed import Client, LocalCluster

    if scheduler:
        with Client(scheduler) as client:
            yield client
        return
    config = {
        "distributed.worker.multiprocessing-method": "forkserver",
        "distributed.scheduler.worker-saturation": float("inf"),
    }
    # The scheduler and every worker serve HTTP (health and metrics, a dashboard when bokeh
    # is there) on all interfaces unless told an address: they get the cluster's host too.
    local = f"{host}:0"
    with dask.config.set(config), LocalCluster(
        n_workers=workers,
        threads_per_worker=1,
        processes=True,
        host=host,
        scheduler_kwargs={"dashboard_address": local},
        worker_dashboard_address=local,
        silence_logs=logging.CRITICAL,
    ) as cluster, Client(cluster) as client:
        yield client


def _reason(error: BaseException, started: bool) -> str:
    from distributed import KilledWorker

    if isinstance(error, KilledWorker):
        return DIED if started else "the worker died again and again before analysing this file"
    return f"{type(error).__name__}: {error}"


def _batches(jobs: list[Job], slots: int) -> list[list[Job]]:
    """The jobs in batches of up to 8 files, small enough that every one of the cluster's
    slots (worker threads) gets several, so that the last batches end close together."""
    size = max(1, min(8, len(jobs) // (6 * max(1, slots))))
    return [jobs[start:start + size] for start in range(0, len(jobs), size)]


def _after_a_death(batch: list[Job]) -> tuple[list[tuple[Job, dict]], list[Job], list[Job]]:
    """What the records of this run say of a batch whose worker died: the files finished (with
    their records), the files it was analysing, and the files it had not started."""
    finished, started, waiting = [], [], []
    for job in batch:
        record = read_record(job) or {}
        if record.get("run") != job.run:
            waiting.append(job)
        elif record.get("status") == STARTED:
            started.append(job)
        else:
            finished.append((job, record))
    return finished, started, waiting


def run_on_dask(jobs: list[Job], scheduler: Optional[str], host: Optional[str],
                workers: int) -> Iterator[tuple[Job, dict[str, Any]]]:
    """Analyses the jobs on the scheduler named, or else on a local cluster on `host`, and
    yields each job with its record as it finishes."""
    if not scheduler and jobs:
        start_fork_server(["distributed", *analysis_modules(jobs[0].options)])
    from distributed import as_completed

    with _client(scheduler, host, workers) as client:
        slots = sum(client.nthreads().values())
        owner = {}
        for batch in _batches(jobs, slots):
            owner[client.submit(analyse_files, batch, pure=False)] = batch
        running = as_completed(list(owner))
        tries: dict[str, int] = {}
        try:
            for future in running:
                batch = owner.pop(future)
                try:
                    finished = list(zip(batch, future.result()))
                except Exception as error:
                    # The files being analysed are recorded with the reason; the batch's files
                    # that had not started go on in a task of their own, twice at most.
                    finished, started, waiting = _after_a_death(batch)
                    finished += [(job, failure_record(job, _reason(error, True)))
                                 for job in started]
                    again = [job for job in waiting if tries.get(job.path, 0) < 2]
                    for job in again:
                        tries[job.path] = tries.get(job.path, 0) + 1
                    finished += [(job, failure_record(job, _reason(error, False)))
                                 for job in waiting if job not in again]
                    if again:
                        retry = client.submit(analyse_files, again, pure=False)
                        owner[retry] = again
                        running.add(retry)
                yield from finished
        except BaseException:
            client.cancel(list(owner))
            raise
